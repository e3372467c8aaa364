@echo off
rem Stands for the registry changes of this update.
echo regupd: updating the registry settings to 4.2
exit /b 0

@echo off
rem Stands for the Windows 2000 fix of this update.
echo w2kfix: replacing the Windows 2000 program files (%*)
exit /b 0

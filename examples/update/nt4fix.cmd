@echo off
rem Stands for the Windows NT 4.0 fix of this update.
echo nt4fix: replacing the NT 4.0 program files (%*)
exit /b 0

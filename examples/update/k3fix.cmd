@echo off
rem Stands for the Windows Server 2003 and XP fix of this update.
echo k3fix: replacing the Windows Server 2003 program files (%*)
exit /b 0

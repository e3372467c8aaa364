@echo off
rem The last command line: its exit code becomes qnUpdate's exit status.
rem 3010 tells the installer that called qnUpdate to restart Windows.
echo finish: update 4.2 installed, a restart is required
exit /b 3010

@echo off
echo Sample dictionary viewer %*

; The run's log, for the installer and the uninstaller: what was found, chosen, written or
; refused and why, and the exit code as its last line. UTF-8 with a byte order mark (so that
; Notepad and PowerShell read non-ASCII folder names right) and Windows line ends; each run
; replaces the log an earlier run left. Each line is written at once (opened, appended, closed),
; so that a run that stops anywhere leaves what it did. A log that cannot be written is no
; reason to stop: the run goes on without it.
;
;   Call LogStart                    starts the log: /LOG=FILE, else %TEMP%\<default name>
;   ${Log} "text"                    appends a line
;   Call LogExitCode                 appends "exit code N", N as SetErrorLevel left it

!include LogicLib.nsh
!include FileFunc.nsh

Var LogFile

!macro _Log TEXT
  Push "${TEXT}"
  !ifdef __UNINSTALL__
    Call un.LogLine
  !else
    Call LogLine
  !endif
!macroend
!define Log "!insertmacro _Log"

!macro LogFunctions UN DEFAULT_NAME TITLE
; Appends the line on the stack, in UTF-8, to $LogFile.
Function ${UN}LogLine
  Exch $0
  Push $1
  Push $2
  Push $3
  ClearErrors
  FileOpen $1 $LogFile a
  ${IfNot} ${Errors}
    FileSeek $1 0 END
    StrCpy $0 "$0$\r$\n"
    ; The size in bytes with the closing NUL, then the bytes; NSIS's own FileWrite writes in
    ; the system's code page, which loses what it cannot show.
    System::Call 'kernel32::WideCharToMultiByte(i 65001, i 0, w r0, i -1, p 0, i 0, p 0, p 0) i .r2'
    System::Alloc $2
    Pop $3
    System::Call 'kernel32::WideCharToMultiByte(i 65001, i 0, w r0, i -1, p r3, i r2, p 0, p 0) i .r2'
    IntOp $2 $2 - 1
    System::Call 'kernel32::WriteFile(p r1, p r3, i r2, *i .r2, p 0)'
    System::Free $3
    FileClose $1
  ${EndIf}
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; Starts the log where /LOG= says (read with ReadSwitch, command_line.nsh), else in %TEMP%,
; replacing any earlier one: the byte order mark alone. A /LOG= that cannot be read or made
; leaves the log in %TEMP%, which says so.
Function ${UN}LogStart
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  Push $6
  StrCpy $LogFile "$TEMP\${DEFAULT_NAME}"
  Push "/LOG="
  Call ${UN}ReadSwitch
  ${If} $SwitchState == ok
    StrCpy $LogFile $SwitchValue
  ${EndIf}
  ClearErrors
  FileOpen $0 $LogFile w
  ${If} ${Errors}
    StrCpy $LogFile "$TEMP\${DEFAULT_NAME}"
    ClearErrors
    FileOpen $0 $LogFile w
  ${EndIf}
  ${IfNot} ${Errors}
    FileWriteByte $0 0xEF
    FileWriteByte $0 0xBB
    FileWriteByte $0 0xBF
    FileClose $0
  ${EndIf}
  ${GetTime} "" "L" $0 $1 $2 $3 $4 $5 $6
  ${If} ${Silent}
    StrCpy $3 ", silent"
  ${Else}
    StrCpy $3 ""
  ${EndIf}
  ${Log} "${TITLE}$3, $2-$1-$0 $4:$5:$6"
  System::Call 'kernel32::GetCommandLineW() w .r0'
  ${Log} "command line: $0"
  ${If} $SwitchState == bad
    ${Log} "/LOG= names no file (a quote never closed, or nothing after it); the log is this one."
  ${ElseIf} $SwitchState == ok
  ${AndIf} $LogFile != $SwitchValue
    ${Log} "the log $SwitchValue could not be made; the log is this one."
  ${EndIf}
  Pop $6
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

Function ${UN}LogExitCode
  Push $0
  GetErrorLevel $0
  ${Log} "exit code $0"
  Pop $0
FunctionEnd
!macroend

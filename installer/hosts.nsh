; Finds FrameMaker's program folders (the folders that hold FrameMaker.exe) and checks the one
; chosen: through the registry's "App Paths" entry of FrameMaker.exe, in both registry views,
; and one and two folders deep under both "Program Files" folders. The folders found are kept
; in $PLUGINSDIR\hosts.ini: [hosts] count=N, 1=..., N=...

!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh
!include pe_machine.nsh

!define HOSTS_INI "$PLUGINSDIR\hosts.ini"
!define APP_PATHS "SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\FrameMaker.exe"

Var DllKind       ; win32 or win64: the DLL that fits the chosen FrameMaker.exe
Var Refusal       ; why the chosen folder is refused, or ""
Var RefusalCode   ; the exit code that goes with the refusal
Var FoundHow      ; where FindHosts is looking, for the log

; Adds $R0 to the list when it holds FrameMaker.exe and is not listed yet (names compare
; without regard to case, as Windows does).
Function AddHost
  Push $R1
  Push $R2
  Push $R3
  ${If} ${FileExists} "$R0\FrameMaker.exe"
    ReadINIStr $R1 "${HOSTS_INI}" hosts count
    ${If} $R1 == ""
      StrCpy $R1 0
    ${EndIf}
    ${For} $R2 1 $R1
      ReadINIStr $R3 "${HOSTS_INI}" hosts $R2
      ${If} $R3 == $R0
        Goto known
      ${EndIf}
    ${Next}
    IntOp $R1 $R1 + 1
    WriteINIStr "${HOSTS_INI}" hosts $R1 $R0
    WriteINIStr "${HOSTS_INI}" hosts count $R1
    ${Log} "found: $R0 ($FoundHow)"
  ${EndIf}
known:
  Pop $R3
  Pop $R2
  Pop $R1
FunctionEnd

; Adds the folder of the program named by App Paths in the current registry view.
Function AddAppPathsHost
  ReadRegStr $R0 HKLM "${APP_PATHS}" ""
  ${If} $R0 != ""
    ExpandEnvStrings $R0 $R0
    ${If} $R0 != ""
      StrCpy $R1 $R0 1
      ${If} $R1 == '"'
        StrCpy $R0 $R0 -1 1           ; the value may be quoted
      ${EndIf}
      ${GetParent} $R0 $R0
      Call AddHost
      ${IfNot} ${FileExists} "$R0\FrameMaker.exe"
        ${Log} "not used: $R0 ($FoundHow) holds no FrameMaker.exe"
      ${EndIf}
    ${EndIf}
  ${EndIf}
FunctionEnd

; Adds every folder one or two levels under the folder on the stack that holds FrameMaker.exe
; (for example "Adobe\Adobe FrameMaker 2022" or "FrameMaker").
Function AddProgramFilesHosts
  Exch $R4                            ; the "Program Files" folder
  Push $R5
  Push $R6
  Push $R7
  Push $R8
  FindFirst $R5 $R6 "$R4\*"
  ${DoWhile} $R6 != ""
    ${If} $R6 != "."
    ${AndIf} $R6 != ".."
      StrCpy $R0 "$R4\$R6"
      Call AddHost
      FindFirst $R7 $R8 "$R4\$R6\*"
      ${DoWhile} $R8 != ""
        ${If} $R8 != "."
        ${AndIf} $R8 != ".."
          StrCpy $R0 "$R4\$R6\$R8"
          Call AddHost
        ${EndIf}
        FindNext $R7 $R8
      ${Loop}
      FindClose $R7
    ${EndIf}
    FindNext $R5 $R6
  ${Loop}
  FindClose $R5
  Pop $R8
  Pop $R7
  Pop $R6
  Pop $R5
  Pop $R4
FunctionEnd

Function FindHosts
  Delete "${HOSTS_INI}"
  WriteINIStr "${HOSTS_INI}" hosts count 0
  ${If} ${RunningX64}
    SetRegView 64
    StrCpy $FoundHow "App Paths of FrameMaker.exe, 64-bit registry view"
    Call AddAppPathsHost
  ${EndIf}
  SetRegView 32
  StrCpy $FoundHow "App Paths of FrameMaker.exe, 32-bit registry view"
  Call AddAppPathsHost
  SetRegView default
  StrCpy $FoundHow "under $PROGRAMFILES64"
  Push $PROGRAMFILES64
  Call AddProgramFilesHosts
  ${If} $PROGRAMFILES32 != $PROGRAMFILES64
    StrCpy $FoundHow "under $PROGRAMFILES32"
    Push $PROGRAMFILES32
    Call AddProgramFilesHosts
  ${EndIf}
  ReadINIStr $0 "${HOSTS_INI}" hosts count
  ${Log} "FrameMaker folders found: $0"
FunctionEnd

; Brings $INSTDIR to the form kept in the registry: no trailing backslash, long names instead
; of 8.3 ones.
Function NormalizeHostFolder
  ${Do}
    StrCpy $0 $INSTDIR 1 -1
    ${If} $0 != "\"
      ${ExitDo}
    ${EndIf}
    StrCpy $INSTDIR $INSTDIR -1
  ${Loop}
  System::Call 'kernel32::GetLongPathNameW(w "$INSTDIR", w .r0, i ${NSIS_MAX_STRLEN}) i .r1'
  ${If} $1 > 0
  ${AndIf} $1 < ${NSIS_MAX_STRLEN}
    StrCpy $INSTDIR $0
  ${EndIf}
FunctionEnd

; Checks that $INSTDIR is a FrameMaker program folder that one of the DLLs fits: sets $DllKind,
; or $Refusal and $RefusalCode. The length comes first: Windows' own file functions fail on
; longer paths, which would otherwise be reported as missing folders.
Function CheckHost
  StrCpy $DllKind ""
  StrCpy $Refusal ""
  StrCpy $RefusalCode 0
  Call NormalizeHostFolder
  ${If} $INSTDIR == ""
    StrCpy $Refusal "No FrameMaker folder was given. Choose the folder that holds FrameMaker.exe."
    StrCpy $RefusalCode ${EXIT_NO_FOLDER}
    Return
  ${EndIf}
  ; MAX_PATH is 260 with the closing NUL; StrLen counts UTF-16 units, as MAX_PATH does.
  StrLen $0 "$INSTDIR\fminit\Plugins\${DLL}"
  ${If} $0 >= 260
    StrCpy $Refusal "$INSTDIR\fminit\Plugins\${DLL} would be $0 characters long; Windows programs load plug-ins only from paths under 260 characters. Choose a shorter folder."
    StrCpy $RefusalCode ${EXIT_PATH_TOO_LONG}
    Return
  ${EndIf}
  ${IfNot} ${FileExists} "$INSTDIR\*"
    ${If} ${FileExists} $INSTDIR
      StrCpy $Refusal "$INSTDIR is a file, not a folder. Choose the folder that holds FrameMaker.exe."
      StrCpy $RefusalCode ${EXIT_NOT_A_FOLDER}
    ${Else}
      StrCpy $Refusal "$INSTDIR does not exist. Choose the folder that holds FrameMaker.exe."
      StrCpy $RefusalCode ${EXIT_NO_FOLDER}
    ${EndIf}
    Return
  ${EndIf}
  ${IfNot} ${FileExists} "$INSTDIR\FrameMaker.exe"
    StrCpy $Refusal "$INSTDIR does not hold FrameMaker.exe, so it is not a FrameMaker program folder. Choose the folder that holds FrameMaker.exe (for example C:\Program Files\Adobe\Adobe FrameMaker 2022)."
    StrCpy $RefusalCode ${EXIT_NO_FRAMEMAKER_EXE}
    Return
  ${EndIf}
  Push "$INSTDIR\FrameMaker.exe"
  Call ReadPeMachine
  Pop $0
  Pop $1
  ${If} $0 = 332                      ; IMAGE_FILE_MACHINE_I386
    StrCpy $DllKind win32
    ${Log} "$INSTDIR\FrameMaker.exe is 32-bit: the 32-bit plug-in fits"
  ${ElseIf} $0 = 34404                ; IMAGE_FILE_MACHINE_AMD64
    StrCpy $DllKind win64
    ${Log} "$INSTDIR\FrameMaker.exe is 64-bit: the 64-bit plug-in fits"
  ${ElseIf} $0 == ""
    StrCpy $Refusal "$INSTDIR\FrameMaker.exe cannot be used: $1. Nothing was installed."
    StrCpy $RefusalCode ${EXIT_HOST_UNFIT}
  ${Else}
    IntFmt $0 "0x%04X" $0
    StrCpy $Refusal "$INSTDIR\FrameMaker.exe is a program for a kind of processor ZorvanShapes has no plug-in for (PE machine $0); it fits 32-bit (x86) and 64-bit (x64) FrameMaker. Nothing was installed."
    StrCpy $RefusalCode ${EXIT_HOST_UNFIT}
  ${EndIf}
FunctionEnd

; Leaves in $0 an identifier of the folder on the stack: the FNV-1a hash of its name in lower
; case, as 8 hex digits, so that each host folder has one uninstall entry however it is spelt.
Function HostFolderId
  Exch $1
  Push $2
  Push $3
  Push $4
  System::Call '*(&w${NSIS_MAX_STRLEN} "$1") p .r4'
  System::Call 'user32::CharLowerW(p r4)'
  StrCpy $0 0x811C9DC5
  StrCpy $2 $4
  ${Do}
    System::Call '*$2(&i2 .r3)'
    IntOp $3 $3 & 0xFFFF
    ${If} $3 = 0
      ${ExitDo}
    ${EndIf}
    IntOp $0 $0 ^ $3
    IntOp $0 $0 * 16777619
    IntOp $2 $2 + 2
  ${Loop}
  System::Free $4
  IntFmt $0 "%08X" $0
  Pop $4
  Pop $3
  Pop $2
  Pop $1
FunctionEnd

; Replaces the folder on the stack with the line the host list shows for it: the folder, the
; kind of its FrameMaker.exe, and the ZorvanShapes package installed there, if any.
Function HostLabel
  Exch $R0
  Push $0
  Push $1
  Push $2
  Push "$R0\FrameMaker.exe"
  Call ReadPeMachine
  Pop $0
  Pop $1
  ${If} $0 = 332
    StrCpy $2 "32-bit"
  ${ElseIf} $0 = 34404
    StrCpy $2 "64-bit"
  ${Else}
    StrCpy $2 "not a FrameMaker this plug-in fits"
  ${EndIf}
  Push $R0
  Call HostFolderId
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
  ReadRegStr $1 HKLM "${UNINSTALL_KEY}\${PRODUCT}-$0" DisplayVersion
  SetRegView default
  ${If} $1 != ""
    StrCpy $2 "$2; ZorvanShapes $1 installed"
  ${ElseIf} ${FileExists} "$R0\fminit\Plugins\${DLL}"
    StrCpy $2 "$2; a ZorvanShapes.dll is there"
  ${EndIf}
  StrCpy $R0 "$R0   ($2)"
  Pop $2
  Pop $1
  Pop $0
  Exch $R0
FunctionEnd

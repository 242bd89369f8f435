; The uninstaller: removes what the installer added for one FrameMaker folder (the DLL, the
; plug-in folders it made, its own folder and its uninstall entry) and nothing else. It finds
; that folder through its uninstall entry, whose name ends in the name of its own folder.
; Its entry starts it where it is (_?=), so that whoever starts it waits for its exit code: 0
; when everything is removed, 4 when FrameMaker holds the DLL (then nothing is removed). Its
; log is /LOG=FILE or %TEMP%\ZorvanShapes-uninstall.log.

!insertmacro CommandLineFunctions "un."
!insertmacro LogFunctions "un." ZorvanShapes-uninstall.log "ZorvanShapes ${VERSION} uninstaller"

Var UnKey         ; its uninstall entry
Var UnHost        ; the FrameMaker folder
Var UnOwn         ; its own folder
Var UnDone        ; 1 once everything but the uninstaller itself is removed

; The confirmation page shows $INSTDIR: the FrameMaker folder, which the user knows.
Function un.onInit
  SetErrorLevel 1                     ; cancelled, until the work is done
  Call un.LogStart
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
  StrCpy $UnOwn $INSTDIR
  ${GetFileName} $UnOwn $0
  StrCpy $UnKey "${UNINSTALL_KEY}\${PRODUCT}-$0"
  ReadRegStr $UnHost HKLM $UnKey InstallLocation
  ${If} $UnHost != ""
    StrCpy $INSTDIR $UnHost
  ${EndIf}
  ${Log} "uninstall entry HKLM\$UnKey; FrameMaker folder: $UnHost"
FunctionEnd

Function un.onUninstSuccess
  ${If} ${Silent}
    Call un.LogExitCode
  ${EndIf}
FunctionEnd

Function un.onUninstFailed
  ${If} ${Silent}
    Call un.LogExitCode
  ${EndIf}
FunctionEnd

Section "Uninstall"
  StrCpy $1 "$UnHost\fminit\Plugins"
  ${If} $UnHost == ""
    DetailPrint "No uninstall entry names the FrameMaker folder; removing only this uninstaller."
    ${Log} "No uninstall entry names the FrameMaker folder; removing only this uninstaller."
  ${Else}
    ${Do}
      ClearErrors
      Delete "$1\${DLL}"
      ${IfNot} ${Errors}
        ${ExitDo}
      ${EndIf}
      ${If} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$1\${DLL} is in use: FrameMaker is probably running.$\r$\n$\r$\nQuit FrameMaker, then click Retry." /SD IDCANCEL IDCANCEL`
        ${Log} "not removed: $1\${DLL} is in use"
        SetErrorLevel 4
        Abort "$1\${DLL} is in use (quit FrameMaker and uninstall again); nothing was removed."
      ${EndIf}
    ${Loop}
    ${Log} "removed: $1\${DLL}"
    Delete "$1\${DLL_NEW}"
    Delete "$1\${DLL_OLD}"
    ; RMDir leaves a folder that is not empty: other plug-ins put there since stay.
    ReadRegDWORD $0 HKLM $UnKey CreatedPlugins
    ${If} $0 = 1
      RMDir $1
    ${EndIf}
    ReadRegDWORD $0 HKLM $UnKey CreatedFminit
    ${If} $0 = 1
      RMDir "$UnHost\fminit"
    ${EndIf}
  ${EndIf}
  DeleteRegKey HKLM $UnKey
  Delete "$UnOwn\INSTALL.txt"
  Delete "$UnOwn\CHANGELOG.md"
  Delete "$UnOwn\LICENSE"
  Delete "$UnOwn\BUILDINFO.txt"
  Delete "$UnOwn\${GUIDE}"
  Call un.MoveGuideLink
  ${Log} "removed: the uninstall entry, the documents in $UnOwn and the Start-menu entry; uninstall.exe goes when it exits"
  SetErrorLevel 0
  StrCpy $UnDone 1
  ${If} ${Silent}
    Call un.RemoveSelf
  ${EndIf}
SectionEnd

; The Start-menu entry goes with this install's guide; while another FrameMaker keeps its
; install, the entry points to that one's guide instead.
Function un.MoveGuideLink
  SetShellVarContext all
  Delete "$SMPROGRAMS\${GUIDE_LINK}"
  ${GetParent} $UnOwn $1
  FindFirst $2 $3 "$1\*"
  ${DoWhile} $3 != ""
    ${If} ${FileExists} "$1\$3\${GUIDE}"
      CreateShortcut "$SMPROGRAMS\${GUIDE_LINK}" "$1\$3\${GUIDE}"
      ${ExitDo}
    ${EndIf}
    FindNext $2 $3
  ${Loop}
  FindClose $2
  SetShellVarContext current
FunctionEnd

; The window stays open after the work, with this program running: it removes itself when the
; window is closed.
Function un.onGUIEnd
  Call un.LogExitCode
  ${If} $UnDone = 1
    Call un.RemoveSelf
  ${EndIf}
FunctionEnd

; A running program cannot delete its own file, but it can move it: when this is the
; uninstall.exe of its own folder (started with _?=), it moves itself beside that folder under
; a name of its own, so that the folder goes now and a reinstall at once finds nothing in the
; way; a hidden command deletes the moved file, then the emptied parent folders, once this
; program has exited. Where the move is refused (Wine), that command deletes the file in place.
Function un.RemoveSelf
  ${GetParent} $UnOwn $1                  ; ...\Zorvan Software\ZorvanShapes
  ${GetParent} $1 $2                      ; ...\Zorvan Software
  ${GetFileName} $UnOwn $3
  System::Call 'kernel32::GetModuleFileNameW(p 0, w .r0, i ${NSIS_MAX_STRLEN}) i'
  StrCpy $4 "$UnOwn\uninstall.exe"
  ${If} $0 == $4
    System::Call 'kernel32::GetCurrentProcessId() i .r5'
    StrCpy $4 "$1\~uninstall-$3-$5.tmp"
    ClearErrors
    Rename "$UnOwn\uninstall.exe" $4
    ${If} ${Errors}
      StrCpy $4 "$UnOwn\uninstall.exe"
    ${EndIf}
  ${Else}
    Delete $4
  ${EndIf}
  RMDir $UnOwn
  ${If} ${FileExists} $4
    ; ping waits: about 2 s for this program to exit, 5 s more if it has not; rd removes
    ; only empty folders. (Only plain commands joined by "&": loops and blocks in a command
    ; line are read differently by different command processors.)
    StrCpy $5 `del /f /q "$4" 2>nul & rd "$UnOwn" 2>nul & rd "$1" 2>nul & rd "$2" 2>nul`
    Exec `"$SYSDIR\cmd.exe" /d /q /c ping -n 3 127.0.0.1 >nul & $5 & if exist "$4" ping -n 6 127.0.0.1 >nul & $5`
  ${Else}
    RMDir $1
    RMDir $2
  ${EndIf}
FunctionEnd

; The uninstaller: removes what the installer added for one FrameMaker folder (the DLL, the
; plug-in folders it made, its own folder and its uninstall entry) and nothing else. It finds
; that folder through its uninstall entry, whose name ends in the name of its own folder.

Var UnKey         ; its uninstall entry
Var UnHost        ; the FrameMaker folder
Var UnOwn         ; its own folder

; The confirmation page shows $INSTDIR: the FrameMaker folder, which the user knows.
Function un.onInit
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
FunctionEnd

Section "Uninstall"
  StrCpy $1 "$UnHost\fminit\Plugins"
  ${If} $UnHost == ""
    DetailPrint "No uninstall entry names the FrameMaker folder; removing only this uninstaller."
  ${Else}
    ${Do}
      ClearErrors
      Delete "$1\${DLL}"
      ${IfNot} ${Errors}
        ${ExitDo}
      ${EndIf}
      ${If} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$1\${DLL} is in use: FrameMaker is probably running.$\r$\n$\r$\nQuit FrameMaker, then click Retry." /SD IDCANCEL IDCANCEL`
        SetErrorLevel 4
        Abort "$1\${DLL} is in use (quit FrameMaker and uninstall again); nothing was removed."
      ${EndIf}
    ${Loop}
    Delete "$1\${DLL}.new"
    Delete "$1\${DLL}.old"
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
  Delete "$UnOwn\uninstall.exe"
  RMDir $UnOwn
  ${GetParent} $UnOwn $0
  RMDir $0
  ${GetParent} $0 $0
  RMDir $0
SectionEnd

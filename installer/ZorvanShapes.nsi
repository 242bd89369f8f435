; The ZorvanShapes installer: finds FrameMaker, installs the plug-in DLL that fits it as
; <FrameMaker folder>\fminit\Plugins\ZorvanShapes.dll and registers one uninstaller per
; FrameMaker folder in "Apps & features". Built by scripts/build-setup.sh, which defines
; VERSION (the package's number, 1.3.0), VERSION4 (1.3.0.0), STAGE (the folder with win32\ and win64\ZorvanShapes.dll,
; INSTALL.txt, CHANGELOG.md, LICENSE, BUILDINFO.txt), OUTFILE and, to sign the uninstaller, SIGN (a command
; that signs the file it is given).
;
; Every run writes a log (installer/log.nsh) to /LOG=FILE or %TEMP%\ZorvanShapes-setup.log.
; Its exit codes are a contract with deployment tools (INSTALL.txt lists them for people); on
; every code but 0 nothing was written:
!define EXIT_INSTALLED 0          ; installed
!define EXIT_CANCELLED 1          ; cancelled
!define EXIT_USAGE 2              ; the help was shown (/? or /help)
!define EXIT_HOST_UNFIT 3         ; FrameMaker.exe of an unknown kind, or unreadable
!define EXIT_NOT_WRITTEN 4        ; the plug-in could not be written (in use, or no rights)
!define EXIT_NO_FRAMEMAKER_EXE 5  ; the folder holds no FrameMaker.exe
!define EXIT_NO_FOLDER 6          ; the folder does not exist
!define EXIT_NOT_A_FOLDER 7       ; the folder is a file
!define EXIT_BAD_FOLDER_ARG 8     ; the /D= cannot be read (a quote never closed, no folder)
!define EXIT_NONE_FOUND 9         ; silent, no /D=, and no FrameMaker found
!define EXIT_SEVERAL_FOUND 10     ; silent, no /D=, and several FrameMaker found
!define EXIT_PATH_TOO_LONG 11     ; the plug-in's path would be 260 characters or more

Unicode true
SetCompressor /SOLID lzma
; The plug-in folder is under "Program Files", which only administrators may change.
RequestExecutionLevel admin
ManifestSupportedOS all
ManifestDPIAware true

!define PRODUCT "ZorvanShapes"
!define PUBLISHER "Zorvan Software"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall"
!define DLL "ZorvanShapes.dll"
; The new and the earlier DLL while they change places: names as long as the DLL's, so that
; a folder whose DLL path fits under 260 characters fits them too.
!define DLL_NEW "ZorvanShapes.new"
!define DLL_OLD "ZorvanShapes.old"
!define GUIDE "ZorvanShapes-Guide.html"
!define GUIDE_LINK "ZorvanShapes Guide.lnk"
!define HELP "ZorvanShapes ${VERSION} setup installs the ZorvanShapes plug-in into one FrameMaker.$\r$\n$\r$\n\
  /S  install without a window (an S in capitals)$\r$\n\
  /D=FOLDER  the FrameMaker folder, the one that holds FrameMaker.exe; comes last, or in quotes: $\"/D=FOLDER$\"$\r$\n\
  /LOG=FILE  the log, instead of %TEMP%\ZorvanShapes-setup.log$\r$\n\
  /? or /help  this help (with /S, into the log only); exit code 2$\r$\n$\r$\n\
INSTALL.txt lists the exit codes."

!include MUI2.nsh
!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh
!addincludedir "${__FILEDIR__}"
!include log.nsh
!include command_line.nsh
!include hosts.nsh
!insertmacro CommandLineFunctions ""
!insertmacro LogFunctions "" ZorvanShapes-setup.log "ZorvanShapes ${VERSION} setup"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION4}"
VIFileVersion "${VERSION4}"
VIAddVersionKey /LANG=1033 ProductName "${PRODUCT}"
VIAddVersionKey /LANG=1033 ProductVersion "${VERSION}"
VIAddVersionKey /LANG=1033 FileVersion "${VERSION}"
VIAddVersionKey /LANG=1033 CompanyName "${PUBLISHER}"
VIAddVersionKey /LANG=1033 FileDescription "${PRODUCT} ${VERSION} setup"
VIAddVersionKey /LANG=1033 LegalCopyright "MIT licence"

!ifdef SIGN
  !uninstfinalize '"${SIGN}" "%1"' = 0
!endif

Var HostList      ; the list box of FrameMaker folders found
Var HostField     ; the folder field
Var HostId        ; the host folder's identifier: names its uninstall entry and folder
Var OwnDir        ; where the uninstaller and the documents go
Var DllBits       ; "32-bit" or "64-bit": the plug-in installed, for the Finish page

!define MUI_ABORTWARNING
!define MUI_CUSTOMFUNCTION_ABORT LogCancel
!define MUI_WELCOMEPAGE_TITLE "ZorvanShapes ${VERSION} for FrameMaker"
!define MUI_WELCOMEPAGE_TEXT "This installs the ZorvanShapes plug-in, which adds the Zorvan menu to FrameMaker.$\r$\n$\r$\nOn the next page you choose the FrameMaker that gets it; the installer puts the plug-in that fits that FrameMaker (32-bit or 64-bit) into its fminit\Plugins folder and adds an entry to $\"Apps && features$\" to remove it again.$\r$\n$\r$\nWindows asked for administrator rights when this installer started because FrameMaker's plug-in folder is under $\"Program Files$\", which only administrators may change. ZorvanShapes itself runs inside FrameMaker as you.$\r$\n$\r$\nQuit FrameMaker before you go on."
!insertmacro MUI_PAGE_WELCOME
Page custom HostPage HostPageLeave
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "ZorvanShapes is installed"
!define MUI_FINISHPAGE_SHOWREADME "$OwnDir\${GUIDE}"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Open the ZorvanShapes Guide (what each command does)"
!define MUI_FINISHPAGE_TEXT "The $DllBits plug-in is now $INSTDIR\fminit\Plugins\${DLL}.$\r$\n$\r$\nStart FrameMaker: its menu bar now has a $\"Zorvan$\" menu, and its console shows the line $\"ZorvanShapes v1.3$\".$\r$\n$\r$\nTo remove the plug-in, open $\"Apps && features$\" (or $\"Programs and Features$\" in the Control Panel) and uninstall $\"ZorvanShapes for FrameMaker$\"."
!insertmacro MUI_PAGE_FINISH
!define MUI_UNCONFIRMPAGE_TEXT_TOP "The ZorvanShapes plug-in will be removed from this FrameMaker; FrameMaker's own files stay. Quit FrameMaker, then click Uninstall."
!define MUI_UNCONFIRMPAGE_TEXT_LOCATION "FrameMaker:"
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE English

; Refuses in .onInit, before any page: logs why and the exit code, and stops.
!macro Refuse CODE WHY
  ${Log} "refused: ${WHY}"
  SetErrorLevel ${CODE}
  Call LogExitCode
  Quit
!macroend

Function .onInit
  InitPluginsDir
  SetErrorLevel ${EXIT_CANCELLED}     ; until the work is done
  Call LogStart
  Call HasHelpSwitch
  ${If} $0 = 1
    ${Log} "${HELP}"
    ${IfNot} ${Silent}
      MessageBox MB_OK|MB_ICONINFORMATION "${HELP}"
    ${EndIf}
    SetErrorLevel ${EXIT_USAGE}
    Call LogExitCode
    Quit
  ${EndIf}
  Call FindHosts
  ; A folder named on the command line is the one meant, in whatever form it came; one that
  ; cannot be read is refused, never replaced by a folder found here.
  Push "/D="
  Call ReadSwitch
  ${If} $SwitchState == ok
    StrCpy $INSTDIR $SwitchValue
    ${Log} "chosen with /D=: $INSTDIR"
  ${ElseIf} $SwitchState == bad
    ${If} ${Silent}
      !insertmacro Refuse ${EXIT_BAD_FOLDER_ARG} "the /D= cannot be read (a quote never closed, or no folder after it)."
    ${EndIf}
    StrCpy $INSTDIR ""
  ${EndIf}
  ${If} ${Silent}
    ; Without /D= the one FrameMaker found is meant; with none or several, /D= must say.
    ${If} $SwitchState == none
      ReadINIStr $0 "${HOSTS_INI}" hosts count
      ${If} $0 = 0
        !insertmacro Refuse ${EXIT_NONE_FOUND} "no FrameMaker was found; name its folder with /D=."
      ${ElseIf} $0 > 1
        !insertmacro Refuse ${EXIT_SEVERAL_FOUND} "$0 FrameMaker folders were found; name the one that gets the plug-in with /D=."
      ${EndIf}
      ReadINIStr $INSTDIR "${HOSTS_INI}" hosts 1
      ${Log} "chosen, the one FrameMaker found: $INSTDIR"
    ${EndIf}
    Call CheckHost
    ${If} $Refusal != ""
      !insertmacro Refuse $RefusalCode $Refusal
    ${EndIf}
  ${ElseIf} $INSTDIR == ""
    ReadINIStr $INSTDIR "${HOSTS_INI}" hosts 1
  ${EndIf}
FunctionEnd

Function LogCancel
  ${Log} "cancelled"
FunctionEnd

Function .onGUIEnd
  Call LogExitCode
FunctionEnd

Function .onInstSuccess
  ${If} ${Silent}
    Call LogExitCode
  ${EndIf}
FunctionEnd

Function .onInstFailed
  ${If} ${Silent}
    Call LogExitCode
  ${EndIf}
FunctionEnd

Function HostPage
  !insertmacro MUI_HEADER_TEXT "Choose FrameMaker" "The FrameMaker that gets the ZorvanShapes plug-in."
  nsDialogs::Create 1018
  Pop $0
  ReadINIStr $1 "${HOSTS_INI}" hosts count
  ${If} $1 > 0
    ${NSD_CreateLabel} 0 0 100% 20u "FrameMaker was found in these folders. Click the one that gets the plug-in, or choose another folder below."
  ${Else}
    ${NSD_CreateLabel} 0 0 100% 20u "No FrameMaker was found in the usual places. Choose its program folder below with $\"Browse...$\"."
  ${EndIf}
  Pop $0
  ${NSD_CreateListBox} 0 22u 100% 62u ""
  Pop $HostList
  ${For} $2 1 $1
    ReadINIStr $3 "${HOSTS_INI}" hosts $2
    Push $3
    Call HostLabel
    Pop $3
    ${NSD_LB_AddString} $HostList $3
  ${Next}
  ${NSD_OnChange} $HostList HostPicked
  ${NSD_CreateLabel} 0 90u 100% 10u "FrameMaker's program folder (the folder that holds FrameMaker.exe):"
  Pop $0
  ${NSD_CreateDirRequest} 0 102u -62u 13u $INSTDIR
  Pop $HostField
  Call ShowFieldInList
  ${NSD_OnChange} $HostField ShowFieldInList
  ${NSD_CreateBrowseButton} -58u 101u 58u 15u "Browse..."
  Pop $0
  ${NSD_OnClick} $0 BrowseHost
  ${NSD_CreateLabel} 0 122u 100% 20u "The plug-in goes into the fminit\Plugins folder inside it; the installer picks the 32-bit or the 64-bit plug-in to fit that FrameMaker.exe."
  Pop $0
  nsDialogs::Show
FunctionEnd

; The list shows more than the folder: the folder is read from hosts.ini by its place.
Function HostPicked
  SendMessage $HostList ${LB_GETCURSEL} 0 0 $0
  ${If} $0 >= 0
    IntOp $0 $0 + 1
    ReadINIStr $0 "${HOSTS_INI}" hosts $0
    ${NSD_SetText} $HostField $0
  ${EndIf}
FunctionEnd

; Selects the listed folder that the field names (without regard to case or a trailing
; backslash), or none, so that the list and the field never disagree.
Function ShowFieldInList
  ${NSD_GetText} $HostField $0
  StrCpy $1 $0 1 -1
  ${If} $1 == "\"
    StrCpy $0 $0 -1
  ${EndIf}
  SendMessage $HostList ${LB_SETCURSEL} -1 0
  ReadINIStr $1 "${HOSTS_INI}" hosts count
  ${For} $2 1 $1
    ReadINIStr $3 "${HOSTS_INI}" hosts $2
    ${If} $3 == $0
      IntOp $3 $2 - 1
      SendMessage $HostList ${LB_SETCURSEL} $3 0
      ${ExitFor}
    ${EndIf}
  ${Next}
FunctionEnd

Function BrowseHost
  ${NSD_GetText} $HostField $0
  nsDialogs::SelectFolderDialog "Choose FrameMaker's program folder (the folder that holds FrameMaker.exe)" $0
  Pop $0
  ${If} $0 != error
    ${NSD_SetText} $HostField $0
    Call ShowFieldInList
  ${EndIf}
FunctionEnd

Function HostPageLeave
  ${NSD_GetText} $HostField $INSTDIR
  ; A listed folder keeps the spelling it was found with, however it was typed.
  ReadINIStr $1 "${HOSTS_INI}" hosts count
  ${For} $2 1 $1
    ReadINIStr $3 "${HOSTS_INI}" hosts $2
    ${If} $3 == $INSTDIR
    ${OrIf} "$3\" == $INSTDIR
      StrCpy $INSTDIR $3
      ${ExitFor}
    ${EndIf}
  ${Next}
  ${Log} "chosen on the page: $INSTDIR"
  Call CheckHost
  ${If} $Refusal != ""
    ${Log} "refused: $Refusal"
    MessageBox MB_OK|MB_ICONSTOP $Refusal
    Abort
  ${EndIf}
FunctionEnd

; Shows a line of the work done and logs it.
!macro Say TEXT
  DetailPrint "${TEXT}"
  ${Log} "${TEXT}"
!macroend

; Stops with exit code 4 after saying why the plug-in could not be written; removes the
; temporary file and the folders this run made ($5, $6), which RMDir leaves unless empty.
!macro FailWrite WHY
  DetailPrint "${WHY}"
  ${Log} "not written: ${WHY}"
  Delete "$INSTDIR\fminit\Plugins\${DLL_NEW}"
  ${If} $6 = 1
    RMDir "$INSTDIR\fminit\Plugins"
  ${EndIf}
  ${If} $5 = 1
    RMDir "$INSTDIR\fminit"
  ${EndIf}
  SetErrorLevel ${EXIT_NOT_WRITTEN}
  Abort "${WHY}"
!macroend

Section "ZorvanShapes"
  StrCpy $1 "$INSTDIR\fminit\Plugins"
  Push $INSTDIR
  Call HostFolderId
  StrCpy $HostId $0
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
  StrCpy $2 "${UNINSTALL_KEY}\${PRODUCT}-$HostId"

  ; Folders this installer makes are removed again by the uninstaller; those it finds stay.
  ; An earlier install into the same folder may have made them.
  ReadRegDWORD $5 HKLM $2 CreatedFminit
  ReadRegDWORD $6 HKLM $2 CreatedPlugins
  ${IfNot} ${FileExists} "$INSTDIR\fminit\*"
    StrCpy $5 1
  ${EndIf}
  ${IfNot} ${FileExists} "$1\*"
    StrCpy $6 1
  ${EndIf}
  ClearErrors
  CreateDirectory $1
  ${If} ${Errors}
    !insertmacro FailWrite "$1 could not be made: you need administrator rights for it."
  ${EndIf}

  ; The new DLL goes beside the old one under a temporary name first: the host never finds
  ; a half-written ZorvanShapes.dll.
  SetOutPath $1
  SetOverwrite on
  Delete "$1\${DLL_NEW}"
  ClearErrors
  ${If} $DllKind == win64
    File "/oname=${DLL_NEW}" "${STAGE}/win64/${DLL}"
    StrCpy $DllBits "64-bit"
  ${Else}
    File "/oname=${DLL_NEW}" "${STAGE}/win32/${DLL}"
    StrCpy $DllBits "32-bit"
  ${EndIf}
  ${If} ${Errors}
    !insertmacro FailWrite "$1\${DLL_NEW} could not be written."
  ${EndIf}
  ${If} ${FileExists} "$1\${DLL}"
    ; A DLL that FrameMaker has loaded cannot be opened for writing.
    ${Do}
      Delete "$1\${DLL_OLD}"
      ClearErrors
      FileOpen $3 "$1\${DLL}" a
      ${IfNot} ${Errors}
        FileClose $3
        Rename "$1\${DLL}" "$1\${DLL_OLD}"
        ${IfNot} ${Errors}
          ${ExitDo}
        ${EndIf}
      ${EndIf}
      ${If} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$1\${DLL} is in use: FrameMaker is probably running.$\r$\n$\r$\nQuit FrameMaker, then click Retry." /SD IDCANCEL IDCANCEL`
        !insertmacro FailWrite "$1\${DLL} is in use (quit FrameMaker and run the installer again); it was left as it was."
      ${EndIf}
    ${Loop}
  ${EndIf}
  ClearErrors
  Rename "$1\${DLL_NEW}" "$1\${DLL}"
  ${If} ${Errors}
    Rename "$1\${DLL_OLD}" "$1\${DLL}"
    !insertmacro FailWrite "$1\${DLL} could not be put in place; the earlier one was kept."
  ${EndIf}
  Delete "$1\${DLL_OLD}"
  !insertmacro Say "Installed the $DllBits plug-in ($DllKind\${DLL}) as $1\${DLL}"

  ; The uninstaller and the documents, in a folder of their own per FrameMaker folder, under
  ; "Program Files" so that only administrators can change what runs with their rights.
  StrCpy $OwnDir "$PROGRAMFILES64\${PUBLISHER}\${PRODUCT}\$HostId"
  SetOutPath $OwnDir
  File "${STAGE}/INSTALL.txt"
  File "${STAGE}/CHANGELOG.md"
  File "${STAGE}/LICENSE"
  File "${STAGE}/BUILDINFO.txt"
  File "${STAGE}/${GUIDE}"
  WriteUninstaller "$OwnDir\uninstall.exe"
  ; One Start-menu entry for all users, to the guide of the latest install.
  SetShellVarContext all
  CreateShortcut "$SMPROGRAMS\${GUIDE_LINK}" "$OwnDir\${GUIDE}"
  SetShellVarContext current
  ${Log} "written: $OwnDir\ (uninstall.exe, ${GUIDE}, INSTALL.txt, CHANGELOG.md, LICENSE, BUILDINFO.txt) and the Start-menu entry $\"${GUIDE_LINK}$\""

  WriteRegStr HKLM $2 DisplayName "${PRODUCT} for FrameMaker ($INSTDIR)"
  WriteRegStr HKLM $2 DisplayVersion "${VERSION}"
  WriteRegStr HKLM $2 Publisher "${PUBLISHER}"
  WriteRegStr HKLM $2 InstallLocation $INSTDIR
  ; _?= runs the uninstaller where it is, so that whoever starts it waits for it and gets its
  ; exit code (0 removed, 4 in use); it removes itself once it has exited.
  WriteRegStr HKLM $2 UninstallString '"$OwnDir\uninstall.exe" _?=$OwnDir'
  WriteRegStr HKLM $2 QuietUninstallString '"$OwnDir\uninstall.exe" /S _?=$OwnDir'
  WriteRegStr HKLM $2 DisplayIcon '"$OwnDir\uninstall.exe",0'
  WriteRegStr HKLM $2 HelpLink "$OwnDir\${GUIDE}"
  ${GetTime} "" "L" $3 $4 $7 $8 $8 $8 $8
  WriteRegStr HKLM $2 InstallDate "$7$4$3"
  WriteRegDWORD HKLM $2 NoModify 1
  WriteRegDWORD HKLM $2 NoRepair 1
  WriteRegDWORD HKLM $2 CreatedFminit $5
  WriteRegDWORD HKLM $2 CreatedPlugins $6
  ${GetSize} $1 "/M=${DLL} /S=0K /G=0" $3 $4 $4
  ${GetSize} $OwnDir "/S=0K /G=0" $7 $4 $4
  IntOp $3 $3 + $7
  WriteRegDWORD HKLM $2 EstimatedSize $3
  ${Log} "written: the uninstall entry HKLM\$2"
  SetErrorLevel ${EXIT_INSTALLED}
SectionEnd

!include uninstall.nsh

; Reads the FrameMaker folder given with /D= from the installer's command line, in each form a
; person or a deployment tool writes it: /D=C:\a b (last, unquoted), "/D=C:\a b", /D="C:\a b",
; with forward slashes or a trailing backslash. NSIS reads only the first form itself, and cuts
; its own copy of the line where it finds it, so the line is taken from Windows.
; Leaves the folder in $FolderArg (backslashes, no quotes, no spaces around it) and in
; $FolderArgState "none" (no /D=), "ok", or "bad" (a quote never closed, or no folder after /D=).

!include LogicLib.nsh

Var FolderArg
Var FolderArgState

; Leaves in $R1 the position just past the program's own name, the first word of the line $R0.
Function SkipProgramName
  StrLen $R2 $R0
  StrCpy $R1 0
  StrCpy $R3 $R0 1
  ${If} $R3 == '"'
    ${Do}
      IntOp $R1 $R1 + 1
      StrCpy $R3 $R0 1 $R1
      ${If} $R3 == '"'
      ${OrIf} $R1 >= $R2
        ${ExitDo}
      ${EndIf}
    ${Loop}
    IntOp $R1 $R1 + 1
  ${Else}
    ${Do}
      ${If} $R3 == " "
      ${OrIf} $R3 == "$\t"
      ${OrIf} $R1 >= $R2
        ${ExitDo}
      ${EndIf}
      IntOp $R1 $R1 + 1
      StrCpy $R3 $R0 1 $R1
    ${Loop}
  ${EndIf}
FunctionEnd

; Leaves in $R1 the position of the first /D= (any case) that starts an argument, after a
; space, a tab or an opening quote, or -1.
Function FindFolderSwitch
  ${Do}
    ${If} $R1 >= $R2
      StrCpy $R1 -1
      Return
    ${EndIf}
    StrCpy $R3 $R0 3 $R1
    ${If} $R3 == "/D="
      IntOp $R4 $R1 - 1
      StrCpy $R3 $R0 1 $R4
      ${If} $R3 == " "
      ${OrIf} $R3 == "$\t"
      ${OrIf} $R3 == '"'
        Return
      ${EndIf}
    ${EndIf}
    IntOp $R1 $R1 + 1
  ${Loop}
FunctionEnd

; Cuts $R5 at its first double quote; $R6 is "bad" when it has none.
Function CutAtQuote
  StrLen $R2 $R5
  StrCpy $R1 0
  ${Do}
    ${If} $R1 >= $R2
      StrCpy $R6 bad
      Return
    ${EndIf}
    StrCpy $R3 $R5 1 $R1
    ${If} $R3 == '"'
      StrCpy $R5 $R5 $R1
      Return
    ${EndIf}
    IntOp $R1 $R1 + 1
  ${Loop}
FunctionEnd

; Turns forward slashes in $R5 into backslashes and drops spaces and tabs at both ends.
Function TidyFolder
  StrCpy $R3 ""
  StrLen $R2 $R5
  ${For} $R1 0 $R2
    StrCpy $R4 $R5 1 $R1
    ${If} $R4 == "/"
      StrCpy $R4 "\"
    ${EndIf}
    StrCpy $R3 "$R3$R4"
  ${Next}
  StrCpy $R5 $R3
  ${Do}
    StrCpy $R3 $R5 1
    ${If} $R3 != " "
    ${AndIf} $R3 != "$\t"
      ${ExitDo}
    ${EndIf}
    StrCpy $R5 $R5 "" 1
  ${Loop}
  ${Do}
    StrCpy $R3 $R5 1 -1
    ${If} $R3 != " "
    ${AndIf} $R3 != "$\t"
      ${ExitDo}
    ${EndIf}
    StrCpy $R5 $R5 -1
  ${Loop}
FunctionEnd

Function ReadFolderArgument
  Push $R0
  Push $R1
  Push $R2
  Push $R3
  Push $R4
  Push $R5
  Push $R6
  StrCpy $FolderArg ""
  StrCpy $FolderArgState none
  System::Call 'kernel32::GetCommandLineW() w .R0'
  Call SkipProgramName
  Call FindFolderSwitch
  ${If} $R1 >= 0
    StrCpy $R6 ok
    IntOp $R4 $R1 - 1
    StrCpy $R3 $R0 1 $R4              ; the character before /D=
    IntOp $R1 $R1 + 3
    StrCpy $R5 $R0 "" $R1             ; what follows /D=
    ${If} $R3 == '"'                  ; "/D=C:\a b"
      Call CutAtQuote
    ${Else}
      StrCpy $R3 $R5 1
      ${If} $R3 == '"'                ; /D="C:\a b"
        StrCpy $R5 $R5 "" 1
        Call CutAtQuote
      ${EndIf}                        ; else /D=C:\a b: the rest of the line
    ${EndIf}
    Call TidyFolder
    ${If} $R5 == ""
      StrCpy $R6 bad
    ${EndIf}
    StrCpy $FolderArg $R5
    StrCpy $FolderArgState $R6
  ${EndIf}
  Pop $R6
  Pop $R5
  Pop $R4
  Pop $R3
  Pop $R2
  Pop $R1
  Pop $R0
FunctionEnd

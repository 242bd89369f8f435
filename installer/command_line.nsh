; Reads the installer's and the uninstaller's switches from their command line, in each form a
; person or a deployment tool writes them: /D=C:\a b (last, unquoted), "/D=C:\a b", /D="C:\a b",
; with forward slashes or a trailing backslash; /LOG=FILE in the same forms, except that
; unquoted it ends at the next space; and /? or /help. NSIS reads only the first form of /D=
; itself, and cuts its own copy of the line where it finds it, so the line is taken from Windows.

!include LogicLib.nsh

Var SwitchValue   ; what ReadSwitch found: the value (backslashes, no quotes, no spaces around it)
Var SwitchState   ; "none" (no such switch), "ok", or "bad" (a quote never closed, or no value)

!macro CommandLineFunctions UN
; Leaves in $R1 the position just past the program's own name, the first word of the line $R0.
Function ${UN}SkipProgramName
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

; Leaves in $R1 the position of the first switch $R7 (any case, such as /D=) that starts an
; argument, after a space, a tab or an opening quote, or -1.
Function ${UN}FindSwitch
  StrLen $R6 $R7
  ${Do}
    ${If} $R1 >= $R2
      StrCpy $R1 -1
      Return
    ${EndIf}
    StrCpy $R3 $R0 $R6 $R1
    ${If} $R3 == $R7
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
Function ${UN}CutAtQuote
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

; Cuts $R5 at its first space or tab.
Function ${UN}CutAtSpace
  StrLen $R2 $R5
  ${For} $R1 0 $R2
    StrCpy $R3 $R5 1 $R1
    ${If} $R3 == " "
    ${OrIf} $R3 == "$\t"
      StrCpy $R5 $R5 $R1
      ${ExitFor}
    ${EndIf}
  ${Next}
FunctionEnd

; Turns forward slashes in $R5 into backslashes and drops spaces and tabs at both ends.
Function ${UN}TidyFolder
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

; Reads the switch named on the stack (/D= or /LOG=) into $SwitchValue and $SwitchState.
; Unquoted, the value of /D= is the rest of the line (as NSIS has it), that of others one word.
Function ${UN}ReadSwitch
  Exch $R7
  Push $R0
  Push $R1
  Push $R2
  Push $R3
  Push $R4
  Push $R5
  Push $R6
  StrCpy $SwitchValue ""
  StrCpy $SwitchState none
  System::Call 'kernel32::GetCommandLineW() w .R0'
  Call ${UN}SkipProgramName
  Call ${UN}FindSwitch
  ${If} $R1 >= 0
    StrCpy $R6 ok
    IntOp $R4 $R1 - 1
    StrCpy $R3 $R0 1 $R4              ; the character before the switch
    StrLen $R4 $R7
    IntOp $R1 $R1 + $R4
    StrCpy $R5 $R0 "" $R1             ; what follows it
    ${If} $R3 == '"'                  ; "/D=C:\a b"
      Call ${UN}CutAtQuote
    ${Else}
      StrCpy $R3 $R5 1
      ${If} $R3 == '"'                ; /D="C:\a b"
        StrCpy $R5 $R5 "" 1
        Call ${UN}CutAtQuote
      ${ElseIf} $R7 != "/D="          ; /LOG=C:\a.log, then other switches
        Call ${UN}CutAtSpace
      ${EndIf}                        ; else /D=C:\a b: the rest of the line
    ${EndIf}
    Call ${UN}TidyFolder
    ${If} $R5 == ""
      StrCpy $R6 bad
    ${EndIf}
    StrCpy $SwitchValue $R5
    StrCpy $SwitchState $R6
  ${EndIf}
  Pop $R6
  Pop $R5
  Pop $R4
  Pop $R3
  Pop $R2
  Pop $R1
  Pop $R0
  Pop $R7
FunctionEnd
!macroend

; Sets $0 to 1 when an argument is /? or /help (any case), else to 0.
Function HasHelpSwitch
  Push $R0
  Push $R1
  Push $R2
  Push $R3
  Push $R4
  System::Call 'kernel32::GetCommandLineW() w .R0'
  Call SkipProgramName
  StrCpy $0 0
  StrLen $R2 $R0
  ${DoWhile} $R1 < $R2
    StrCpy $R3 $R0 1 $R1
    ${If} $R3 == " "
    ${OrIf} $R3 == "$\t"
      IntOp $R1 $R1 + 1
      ${Continue}
    ${EndIf}
    StrCpy $R4 $R1                    ; an argument starts: find its end
    ${DoWhile} $R1 < $R2
      StrCpy $R3 $R0 1 $R1
      ${If} $R3 == " "
      ${OrIf} $R3 == "$\t"
        ${ExitDo}
      ${EndIf}
      IntOp $R1 $R1 + 1
    ${Loop}
    IntOp $R3 $R1 - $R4
    StrCpy $R3 $R0 $R3 $R4
    ${If} $R3 == "/?"
    ${OrIf} $R3 == "/help"
      StrCpy $0 1
      ${ExitDo}
    ${EndIf}
  ${Loop}
  Pop $R4
  Pop $R3
  Pop $R2
  Pop $R1
  Pop $R0
FunctionEnd

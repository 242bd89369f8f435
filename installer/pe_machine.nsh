; Reads the machine field of a Windows program's PE header, so that the installer can pick the
; DLL that program is able to load.
;
;   Push "<path of the program>"
;   Call ReadPeMachine
;   Pop $0   ; the machine number (332 = i386, 34404 = x86-64), or "" when it cannot be read
;   Pop $1   ; when $0 is "": why, as the end of a sentence ("it is not a Windows program")

!include LogicLib.nsh

; Reads a little-endian number of BITS bits (whole bytes) from HANDLE into OUT (sets the error flag at the
; end of the file). Uses $R8 and $R9.
!macro _PeReadLE HANDLE BITS OUT
  StrCpy ${OUT} 0
  StrCpy $R9 0
  ${Do}
    FileReadByte ${HANDLE} $R8
    IntOp $R8 $R8 << $R9
    IntOp ${OUT} ${OUT} | $R8
    IntOp $R9 $R9 + 8
  ${LoopUntil} $R9 >= ${BITS}
!macroend

Function ReadPeMachine
  Exch $0                          ; the path
  Push $1                          ; file handle
  Push $2                          ; bytes read
  Push $3                          ; the machine, or ""
  Push $4                          ; the reason
  Push $R8
  Push $R9
  StrCpy $3 ""
  StrCpy $4 ""
  ClearErrors
  FileOpen $1 $0 r
  ${If} ${Errors}
    StrCpy $4 "it cannot be opened for reading"
    Goto closed
  ${EndIf}
  ; Every Windows program starts with "MZ" and keeps its PE header's offset at 0x3C.
  !insertmacro _PeReadLE $1 16 $2
  ${If} ${Errors}
  ${OrIf} $2 <> 0x5A4D
    StrCpy $4 "it is not a Windows program (it does not start with MZ)"
    Goto done
  ${EndIf}
  FileSeek $1 0x3C SET
  !insertmacro _PeReadLE $1 32 $2
  ${If} ${Errors}
  ${OrIf} $2 < 0x40
  ${OrIf} $2 > 0x100000
    StrCpy $4 "it is not a Windows program (no PE header offset at 0x3C)"
    Goto done
  ${EndIf}
  FileSeek $1 $2 SET
  !insertmacro _PeReadLE $1 32 $2
  ${If} ${Errors}
  ${OrIf} $2 <> 0x4550
    StrCpy $4 "it is not a Windows program (no PE signature)"
    Goto done
  ${EndIf}
  !insertmacro _PeReadLE $1 16 $2
  ${If} ${Errors}
    StrCpy $4 "it ends inside its PE header"
    Goto done
  ${EndIf}
  StrCpy $3 $2
done:
  FileClose $1
closed:
  StrCpy $0 $3
  StrCpy $1 $4
  Pop $R9
  Pop $R8
  Pop $4
  Pop $3
  Pop $2                           ; stack: ..., old $0, old $1
  Exch $1                          ; stack: ..., old $0, reason
  Exch                             ; stack: ..., reason, old $0
  Exch $0                          ; stack: ..., reason, machine
FunctionEnd

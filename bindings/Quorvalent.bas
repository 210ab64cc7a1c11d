Attribute VB_Name = "Quorvalent"
' SPDX-License-Identifier: MIT
' quorvalent from VBA (Excel, Word, Access): import this module (File > Import File).
'
'     Debug.Print Sha2("abc", 384)          ' cb00753f45a35e8b...
'     Debug.Print Md5("abc")                ' 900150983cd24fb0d6963f7d28e17f72
'     Debug.Print Rot13("Hello, World!")    ' Uryyb, Jbeyq!
'
' The library is loaded by name, quorvalent.dll: the 32-bit DLL for 32-bit
' Office, the 64-bit one for 64-bit Office, in the Office program's folder, on
' PATH, or in the current folder (ChDir to it first). VBA hands texts over in the
' ANSI code page, where a character it lacks becomes "?". An empty text gives ""
' from every call. VBA runs macros on one thread, so calls cannot overlap and
' need no lock. Errors: 7 (out of memory) for a null result, 5 for a text that
' holds a NUL character, where the library would stop reading.
'
' The Declare lines between the markers are written by tools/vba_declares.py
' from include/quorvalent.h, boundary/quorvalent.def and the argument sizes in
' cmake/WindowsProduct.cmake; the test vba_declares fails when they drift.
Option Explicit

' BEGIN Declare lines, written by tools/vba_declares.py: do not edit
#If VBA7 Then
Private Declare PtrSafe Function FreeMem Lib "quorvalent.dll" () As Long
Private Declare PtrSafe Function cifrado_SHA1 Lib "quorvalent.dll" (ByVal text As String) As LongPtr
Private Declare PtrSafe Function cifrado_SHA2 Lib "quorvalent.dll" (ByVal text As String, ByVal bits As String) As LongPtr
Private Declare PtrSafe Function cifrado_SHA3 Lib "quorvalent.dll" (ByVal text As String, ByVal bits As String) As LongPtr
Private Declare PtrSafe Function cifrado_md5 Lib "quorvalent.dll" (ByVal text As String) As LongPtr
Private Declare PtrSafe Function text_rot13 Lib "quorvalent.dll" (ByVal text As String, ByVal second As LongPtr) As LongPtr
#Else
Private Declare Function FreeMem Lib "quorvalent.dll" () As Long
Private Declare Function cifrado_SHA1 Lib "quorvalent.dll" (ByVal text As String) As Long
Private Declare Function cifrado_SHA2 Lib "quorvalent.dll" (ByVal text As String, ByVal bits As String) As Long
Private Declare Function cifrado_SHA3 Lib "quorvalent.dll" (ByVal text As String, ByVal bits As String) As Long
Private Declare Function cifrado_md5 Lib "quorvalent.dll" (ByVal text As String) As Long
Private Declare Function text_rot13 Lib "quorvalent.dll" (ByVal text As String, ByVal second As Long) As Long
#End If
' END Declare lines

#If VBA7 Then
Private Declare PtrSafe Function lstrlenA Lib "kernel32" (ByVal text As LongPtr) As Long
Private Declare PtrSafe Sub CopyMemory Lib "kernel32" Alias "RtlMoveMemory" _
    (destination As Any, ByVal source As LongPtr, ByVal length As LongPtr)
#Else
Private Declare Function lstrlenA Lib "kernel32" (ByVal text As Long) As Long
Private Declare Sub CopyMemory Lib "kernel32" Alias "RtlMoveMemory" _
    (destination As Any, ByVal source As Long, ByVal length As Long)
#End If

' The MD5 digest of text as 32 lowercase hexadecimal digits.
Public Function Md5(ByVal text As String) As String
    Md5 = TakeResult(cifrado_md5(Checked(text)))
End Function

' The SHA-1 digest of text as 40 lowercase hexadecimal digits.
Public Function Sha1(ByVal text As String) As String
    Sha1 = TakeResult(cifrado_SHA1(Checked(text)))
End Function

' SHA-224/256/384/512 of text; other bit lengths give "".
Public Function Sha2(ByVal text As String, Optional ByVal bits As Long = 256) As String
    Sha2 = TakeResult(cifrado_SHA2(Checked(text), CStr(bits)))
End Function

' SHA3-224/256/384/512 of text; other bit lengths give "".
Public Function Sha3(ByVal text As String, Optional ByVal bits As Long = 256) As String
    Sha3 = TakeResult(cifrado_SHA3(Checked(text), CStr(bits)))
End Function

' text with A-Z and a-z rotated by 13.
Public Function Rot13(ByVal text As String) As String
    Rot13 = TakeResult(text_rot13(Checked(text), 0))
End Function

Private Function Checked(ByVal text As String) As String
    If InStr(text, vbNullChar) > 0 Then
        Err.Raise 5, "Quorvalent", "The text holds a NUL character, where the library would stop reading"
    End If
    Checked = text
End Function

' Copies a result and hands it back to the library, also when the copy fails.
' A Variant holds the pointer as a Long or a LongLong, so one body serves both
' Declare forms.
Private Function TakeResult(ByVal result As Variant) As String
    Dim length As Long
    Dim bytes() As Byte
    Dim number As Long, source As String, description As String
    On Error GoTo Failed
    If result = 0 Then Err.Raise 7   ' Out of memory
    length = lstrlenA(result)
    If length > 0 Then
        ReDim bytes(0 To length - 1)
        CopyMemory bytes(0), result, length
        TakeResult = StrConv(bytes, vbUnicode)   ' from the ANSI code page
    End If
    FreeMem
    Exit Function
Failed:
    number = Err.Number
    source = Err.Source
    description = Err.Description
    FreeMem
    Err.Raise number, source, description
End Function

Attribute VB_Name = "Quorvalent"
' SPDX-License-Identifier: MIT
' quorvalent from VBA (Excel, Word, Access) and VB6: import this module (File > Import File).
'
'     LoadQuorvalent ThisWorkbook.Path      ' once, before the first call
'     Debug.Print Sha2("abc", 384)          ' cb00753f45a35e8b...
'     Debug.Print Md5("abc")                ' 900150983cd24fb0d6963f7d28e17f72
'     Debug.Print Rot13("Hello, World!")    ' Uryyb, Jbeyq!
'
' The Declare lines name the library quorvalent.dll: the 32-bit DLL for 32-bit
' Office and VB6, the 64-bit one for 64-bit Office. LoadQuorvalent loads it by
' its full path, after which Windows hands that DLL to the Declare lines;
' without it Windows looks for quorvalent.dll in the Office program's folder,
' the system folders, the current folder and on PATH. VBA hands texts over in
' the ANSI code page, where Windows turns a character the code page lacks into
' a look-alike where it has one (U+00E9, e with acute accent, becomes "e" on
' code page 1251) and into "?" otherwise. An empty text gives "" from every
' call. VBA runs macros on one thread, so calls cannot overlap and need no
' lock. Errors: 7 for a null result (no result: a text longer than 2147483646
' bytes in the ANSI code page, or out of memory), 5 for a text that holds a NUL
' character, where the library would stop reading; LoadQuorvalent raises 48,
' 53 or 76 (see there).
'
' The Declare lines between the markers follow quorvalent.h and quorvalent.def,
' one per export in ordinal order.
Option Explicit

' BEGIN Declare lines, one per export of quorvalent.h and quorvalent.def
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
Private Declare PtrSafe Function LoadLibraryW Lib "kernel32" (ByVal path As LongPtr) As LongPtr
Private Declare PtrSafe Function lstrlenA Lib "kernel32" (ByVal text As LongPtr) As Long
Private Declare PtrSafe Sub CopyMemory Lib "kernel32" Alias "RtlMoveMemory" _
    (destination As Any, ByVal source As LongPtr, ByVal length As LongPtr)
#Else
Private Declare Function LoadLibraryW Lib "kernel32" (ByVal path As Long) As Long
Private Declare Function lstrlenA Lib "kernel32" (ByVal text As Long) As Long
Private Declare Sub CopyMemory Lib "kernel32" Alias "RtlMoveMemory" _
    (destination As Any, ByVal source As Long, ByVal length As Long)
#End If

#If Win64 Then
Private Const OwnBitness As String = "64-bit", OwnFolder As String = "x64", OwnZip As String = "-win64"
#Else
Private Const OwnBitness As String = "32-bit", OwnFolder As String = "x86", OwnZip As String = "-win32"
#End If

' Loads quorvalent.dll once by its full path, so that the Declare lines find
' it wherever it lies: from folder's x64\ subfolder in 64-bit Office, its x86\
' subfolder in 32-bit Office and VB6 (one workbook for both kinds of Office),
' else from folder itself. Errors: 76 when folder is "" (a workbook never
' saved) or a web address (one opened from OneDrive or SharePoint), which no DLL
' loads from; 48 when a DLL is there but does not load, for one of the other
' bitness with Windows error 193; 53 when there is none.
Public Sub LoadQuorvalent(ByVal folder As String)
    Dim candidates(1) As String, i As Long, lastError As Long
    Dim failure As Long, failedPath As String
    If folder = "" Then
        Err.Raise 76, "Quorvalent", "No folder to load quorvalent.dll from: save the workbook first, or name the folder"
    End If
    If LCase$(folder) Like "http*://*" Then
        Err.Raise 76, "Quorvalent", folder & " is a web address (OneDrive, SharePoint), and Windows loads a DLL" & _
            " only from a folder on a disk: keep quorvalent.dll in a local folder and name that folder"
    End If
    If Right$(folder, 1) = "\" Then folder = Left$(folder, Len(folder) - 1)
    candidates(0) = folder & "\" & OwnFolder & "\quorvalent.dll"
    candidates(1) = folder & "\quorvalent.dll"
    For i = 0 To 1
        ' The wide form takes any folder name, whatever the ANSI code page holds.
        If LoadLibraryW(StrPtr(candidates(i))) <> 0 Then Exit Sub
        lastError = Err.LastDllError
        ' 2, 3 and 126: no such file or folder; any other error is the one to tell.
        If failure = 0 And lastError <> 2 And lastError <> 3 And lastError <> 126 Then
            failure = lastError
            failedPath = candidates(i)
        End If
    Next
    Select Case failure
    Case 0
        Err.Raise 53, "Quorvalent", "quorvalent.dll is neither in " & folder & "\" & OwnFolder & " nor in " & folder
    Case 193   ' ERROR_BAD_EXE_FORMAT
        Err.Raise 48, "Quorvalent", failedPath & " is not a " & OwnBitness & " DLL (Windows error 193): this process" & _
            " is " & OwnBitness & " and needs the quorvalent.dll of the " & OwnZip & " zip"
    Case Else
        Err.Raise 48, "Quorvalent", failedPath & " did not load: Windows error " & failure
    End Select
End Sub

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
    If result = 0 Then   ' no result
        Err.Raise 7, "Quorvalent", "No result: the text is longer than 2147483646 bytes, or memory ran out"
    End If
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

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
' HashText, HashData and HashFile take the algorithm's name ("MD5", "SHA-1",
' "SHA-256", "SHA3-512", ...; see quorvalent.h) and give the digest other tools
' give: HashText hashes a String's UTF-8 form, whatever the code page, and the
' empty message has its true digest. They hand the library VBA's own UTF-16
' strings (StrPtr) and read its UTF-16 result. When the library gives no result
' they raise an error with Windows' message and its error code in the
' description (Err.LastDllError as the call left it): 53 for a missing file, 76
' for a missing folder, 70 for a file that is locked or not to be read, 75 for
' another file error, 5 for an unknown algorithm name, 7 for no memory.
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
Private Declare PtrSafe Function cifrado_text Lib "quorvalent.dll" (ByVal text As LongPtr, ByVal algorithm As LongPtr) As LongPtr
Private Declare PtrSafe Function cifrado_data Lib "quorvalent.dll" (ByVal data As LongPtr, ByVal length As LongPtr, ByVal algorithm As LongPtr) As LongPtr
Private Declare PtrSafe Function cifrado_file Lib "quorvalent.dll" (ByVal path As LongPtr, ByVal algorithm As LongPtr) As LongPtr
#Else
Private Declare Function FreeMem Lib "quorvalent.dll" () As Long
Private Declare Function cifrado_SHA1 Lib "quorvalent.dll" (ByVal text As String) As Long
Private Declare Function cifrado_SHA2 Lib "quorvalent.dll" (ByVal text As String, ByVal bits As String) As Long
Private Declare Function cifrado_SHA3 Lib "quorvalent.dll" (ByVal text As String, ByVal bits As String) As Long
Private Declare Function cifrado_md5 Lib "quorvalent.dll" (ByVal text As String) As Long
Private Declare Function text_rot13 Lib "quorvalent.dll" (ByVal text As String, ByVal second As Long) As Long
Private Declare Function cifrado_text Lib "quorvalent.dll" (ByVal text As Long, ByVal algorithm As Long) As Long
Private Declare Function cifrado_data Lib "quorvalent.dll" (ByVal data As Long, ByVal length As Long, ByVal algorithm As Long) As Long
Private Declare Function cifrado_file Lib "quorvalent.dll" (ByVal path As Long, ByVal algorithm As Long) As Long
#End If
' END Declare lines

#If VBA7 Then
Private Declare PtrSafe Function LoadLibraryW Lib "kernel32" (ByVal path As LongPtr) As LongPtr
Private Declare PtrSafe Function lstrlenA Lib "kernel32" (ByVal text As LongPtr) As Long
Private Declare PtrSafe Function lstrlenW Lib "kernel32" (ByVal text As LongPtr) As Long
Private Declare PtrSafe Function FormatMessageW Lib "kernel32" (ByVal flags As Long, ByVal source As LongPtr, _
    ByVal messageId As Long, ByVal languageId As Long, ByVal buffer As LongPtr, ByVal size As Long, _
    ByVal arguments As LongPtr) As Long
Private Declare PtrSafe Sub CopyMemory Lib "kernel32" Alias "RtlMoveMemory" _
    (destination As Any, ByVal source As LongPtr, ByVal length As LongPtr)
#Else
Private Declare Function LoadLibraryW Lib "kernel32" (ByVal path As Long) As Long
Private Declare Function lstrlenA Lib "kernel32" (ByVal text As Long) As Long
Private Declare Function lstrlenW Lib "kernel32" (ByVal text As Long) As Long
Private Declare Function FormatMessageW Lib "kernel32" (ByVal flags As Long, ByVal source As Long, _
    ByVal messageId As Long, ByVal languageId As Long, ByVal buffer As Long, ByVal size As Long, _
    ByVal arguments As Long) As Long
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

' The digest of text's UTF-8 form; algorithm is "MD5", "SHA-1", "SHA-256", "SHA3-512", ...
Public Function HashText(ByVal text As String, ByVal algorithm As String) As String
    Dim result As Variant, lastError As Long
    Checked text
    Checked algorithm
    If StrPtr(text) = 0 Then text = ""   ' vbNullString is no text to the library; "" is the empty one
    result = cifrado_text(StrPtr(text), StrPtr(algorithm))
    lastError = Err.LastDllError   ' at once: the next DLL call changes it
    HashText = TakeResult(result, True, lastError, "The algorithm " & algorithm)
End Function

' The digest of every byte of bytes, zero bytes included.
Public Function HashData(bytes() As Byte, ByVal algorithm As String) As String
    Dim result As Variant, lastError As Long, count As Long
    Checked algorithm
    On Error Resume Next   ' an array never dimensioned has no bounds and no bytes
    count = UBound(bytes) - LBound(bytes) + 1
    On Error GoTo 0
    If count > 0 Then
        result = cifrado_data(VarPtr(bytes(LBound(bytes))), count, StrPtr(algorithm))
    Else
        result = cifrado_data(0, 0, StrPtr(algorithm))
    End If
    lastError = Err.LastDllError
    HashData = TakeResult(result, True, lastError, "The algorithm " & algorithm)
End Function

' The digest of a regular file's bytes.
Public Function HashFile(ByVal path As String, ByVal algorithm As String) As String
    Dim result As Variant, lastError As Long
    Checked path
    Checked algorithm
    result = cifrado_file(StrPtr(path), StrPtr(algorithm))
    lastError = Err.LastDllError
    HashFile = TakeResult(result, True, lastError, path & " (" & algorithm & ")")
End Function

Private Function Checked(ByVal text As String) As String
    If InStr(text, vbNullChar) > 0 Then
        Err.Raise 5, "Quorvalent", "The text holds a NUL character, where the library would stop reading"
    End If
    Checked = text
End Function

' Copies a result and hands it back to the library, also when the copy fails.
' A Unicode export's result (wide) is UTF-16, and for a null one lastError, the
' thread's error as the call left it, gives the reason. A Variant holds the
' pointer as a Long or a LongLong, so one body serves both Declare forms.
Private Function TakeResult(ByVal result As Variant, Optional ByVal wide As Boolean, _
        Optional ByVal lastError As Long, Optional ByVal what As String) As String
    Dim length As Long
    Dim bytes() As Byte, copied As String
    Dim number As Long, source As String, description As String
    On Error GoTo Failed
    If result = 0 And wide Then
        Err.Raise VbaError(lastError), "Quorvalent", what & ": " & SystemMessage(lastError) & _
            " (Windows error " & lastError & ")"
    ElseIf result = 0 Then   ' no result
        Err.Raise 7, "Quorvalent", "No result: the text is longer than 2147483646 bytes, or memory ran out"
    End If
    If wide Then
        length = lstrlenW(result)
        copied = String$(length, vbNullChar)
        CopyMemory ByVal StrPtr(copied), result, 2 * length
        TakeResult = copied
    Else
        length = lstrlenA(result)
        If length > 0 Then
            ReDim bytes(0 To length - 1)
            CopyMemory bytes(0), result, length
            TakeResult = StrConv(bytes, vbUnicode)   ' from the ANSI code page
        End If
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

' The VBA error closest to a Windows error.
Private Function VbaError(ByVal windowsError As Long) As Long
    Select Case windowsError
    Case 2: VbaError = 53          ' ERROR_FILE_NOT_FOUND: File not found
    Case 3: VbaError = 76          ' ERROR_PATH_NOT_FOUND: Path not found
    Case 5, 32, 33: VbaError = 70  ' access denied, sharing or lock violation: Permission denied
    Case 8, 14: VbaError = 7       ' ERROR_NOT_ENOUGH_MEMORY, ERROR_OUTOFMEMORY: Out of memory
    Case 87: VbaError = 5          ' ERROR_INVALID_PARAMETER: Invalid procedure call or argument
    Case Else: VbaError = 75       ' Path/File access error
    End Select
End Function

' Windows' own text for an error, in the user's language.
Private Function SystemMessage(ByVal windowsError As Long) As String
    Const FORMAT_MESSAGE_FROM_SYSTEM As Long = &H1000, FORMAT_MESSAGE_IGNORE_INSERTS As Long = &H200
    Dim buffer As String, length As Long
    buffer = String$(512, vbNullChar)
    length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM Or FORMAT_MESSAGE_IGNORE_INSERTS, 0, windowsError, 0, _
        StrPtr(buffer), Len(buffer), 0)
    SystemMessage = Left$(buffer, length)
    Do While Right$(SystemMessage, 1) = vbLf Or Right$(SystemMessage, 1) = vbCr Or Right$(SystemMessage, 1) = " "
        SystemMessage = Left$(SystemMessage, Len(SystemMessage) - 1)
    Loop
    If SystemMessage = "" Then SystemMessage = "Windows error " & windowsError
End Function

// SPDX-License-Identifier: MIT
{ quorvalent from Free Pascal and Delphi: add this unit to the uses clause.

      uses Quorvalent;
      WriteLn(Sha2('abc', 384));          // cb00753f45a35e8b...
      WriteLn(Rot13('Hello, World!'));    // Uryyb, Jbeyq!
      WriteLn(HashText(WideChar($E9), 'SHA-256'));   // 4a99557e..., the UTF-8 form's digest
      WriteLn(HashFile('setup.exe', 'SHA-256'));

  The library is bound by name: quorvalent.dll on Windows (the 32-bit DLL for a
  32-bit program, the 64-bit one for a 64-bit program), libquorvalent.so
  elsewhere, where Free Pascal links with -lquorvalent (-Fl names its folder)
  and the program finds libquorvalent.so.1 through ldconfig or LD_LIBRARY_PATH.
  Texts travel as AnsiString: in the ANSI code page on Windows, where Windows
  turns a character the code page lacks into a look-alike where it has one
  (U+00E9, e with acute accent, becomes 'e' on code page 1251) and into '?'
  otherwise, and as the program's bytes (UTF-8) elsewhere. An empty text gives
  '' from every call; a null result (a text longer than 2147483646 bytes, or no
  memory) raises EOutOfMemory. Calls are serialised by a critical section, so
  threads may share the unit; a threaded Free Pascal program on Linux lists
  cthreads first in its uses clause.

  HashText, HashData and HashFile (File is a reserved word and Text a type in
  Pascal) take the algorithm's name ('MD5', 'SHA-1', 'SHA-256', 'SHA3-512', ...;
  see quorvalent.h) and give the digest other tools give: HashText hashes a
  UnicodeString's UTF-8 form whatever the code page, and the empty message has
  its true digest. On Windows they hand the library UTF-16, elsewhere UTF-8
  bytes (Free Pascal on Linux converts an AnsiString to a UnicodeString only
  with cwstring in the uses clause). When the library gives no result they raise
  EOSError with the system's message and its code in ErrorCode: GetLastError on
  Windows, errno elsewhere (2 for a missing file, 87 or EINVAL for an unknown
  algorithm name). }
unit Quorvalent;

{$IFDEF FPC}
  {$MODE DELPHI}
  {$H+}
{$ENDIF}

interface

uses
  SysUtils;

{ The MD5 digest of Text as 32 lowercase hexadecimal digits. }
function Md5(const Text: string): string;
{ The SHA-1 digest of Text as 40 lowercase hexadecimal digits. }
function Sha1(const Text: string): string;
{ SHA-224/256/384/512 of Text; other bit lengths give ''. }
function Sha2(const Text: string; Bits: Integer = 256): string;
{ SHA3-224/256/384/512 of Text; other bit lengths give ''. }
function Sha3(const Text: string; Bits: Integer = 256): string;
{ Text with A-Z and a-z rotated by 13. }
function Rot13(const Text: string): string;

{ The digest of Text's UTF-8 form; Algorithm is 'MD5', 'SHA-1', 'SHA-256', 'SHA3-512', ... }
function HashText(const Text: UnicodeString; const Algorithm: string): string;
{ The digest of every byte of Bytes, zero bytes included. }
function HashData(const Bytes: TBytes; const Algorithm: string): string;
{ The digest of a regular file's bytes. }
function HashFile(const Path: string; const Algorithm: string): string;

implementation

uses
  {$IFDEF MSWINDOWS}Windows, {$ENDIF}SyncObjs;  { SyncObjs last: its TCriticalSection, not the Windows record }

const
{$IF DEFINED(MSWINDOWS)}
  LibraryName = 'quorvalent.dll';
{$ELSEIF DEFINED(FPC)}
  LibraryName = 'quorvalent';  { linked as -lquorvalent }
{$ELSE}
  LibraryName = 'libquorvalent.so.1';
{$IFEND}

{ Standard calls on Windows (the callee removes the arguments on 32-bit), the C
  convention elsewhere. Results stay PAnsiChar: the block belongs to the library. }
function LibraryFreeMem: Integer;  { not System's FreeMem }
  {$IFDEF MSWINDOWS}stdcall{$ELSE}cdecl{$ENDIF}; external LibraryName name 'FreeMem';
function cifrado_md5(Text: PAnsiChar): PAnsiChar;
  {$IFDEF MSWINDOWS}stdcall{$ELSE}cdecl{$ENDIF}; external LibraryName name 'cifrado_md5';
function cifrado_SHA1(Text: PAnsiChar): PAnsiChar;
  {$IFDEF MSWINDOWS}stdcall{$ELSE}cdecl{$ENDIF}; external LibraryName name 'cifrado_SHA1';
function cifrado_SHA2(Text, Bits: PAnsiChar): PAnsiChar;
  {$IFDEF MSWINDOWS}stdcall{$ELSE}cdecl{$ENDIF}; external LibraryName name 'cifrado_SHA2';
function cifrado_SHA3(Text, Bits: PAnsiChar): PAnsiChar;
  {$IFDEF MSWINDOWS}stdcall{$ELSE}cdecl{$ENDIF}; external LibraryName name 'cifrado_SHA3';
function text_rot13(Text: PAnsiChar; Second: Pointer): PAnsiChar;
  {$IFDEF MSWINDOWS}stdcall{$ELSE}cdecl{$ENDIF}; external LibraryName name 'text_rot13';

{ The Unicode exports: UTF-16 on Windows, UTF-8 bytes elsewhere. }
type
{$IFDEF MSWINDOWS}
  PQuorvalentChar = PWideChar;
  TNative = UnicodeString;
{$ELSE}
  PQuorvalentChar = PAnsiChar;
  TNative = RawByteString;
{$ENDIF}

function cifrado_text(Text, Algorithm: PQuorvalentChar): PQuorvalentChar;
  {$IFDEF MSWINDOWS}stdcall{$ELSE}cdecl{$ENDIF}; external LibraryName name 'cifrado_text';
function cifrado_data(Data: Pointer; Length: NativeUInt; Algorithm: PQuorvalentChar): PQuorvalentChar;
  {$IFDEF MSWINDOWS}stdcall{$ELSE}cdecl{$ENDIF}; external LibraryName name 'cifrado_data';
function cifrado_file(Path, Algorithm: PQuorvalentChar): PQuorvalentChar;
  {$IFDEF MSWINDOWS}stdcall{$ELSE}cdecl{$ENDIF}; external LibraryName name 'cifrado_file';

{$IF DEFINED(FPC) AND NOT DEFINED(MSWINDOWS)}
{ Free Pascal's own RTL keeps an errno of its own: the library sets the C library's. }
function __errno_location: PInteger; cdecl; external 'c' name '__errno_location';
{$IFEND}

type
  TExport = (exMd5, exSha1, exSha2, exSha3, exRot13);
  TUnicodeExport = (exText, exData, exFile);

var
  { The library keeps one result at a time: a call and its FreeMem must not
    overlap another call. }
  Gate: TCriticalSection;

{ One export's result, copied, and handed back to the library in every case. }
function Call(Which: TExport; const Text: string; Bits: Integer): string;
var
  AnsiText, AnsiBits, Copied: AnsiString;
  Block: PAnsiChar;
begin
  if Pos(#0, Text) > 0 then
    raise EArgumentException.Create('quorvalent: the text holds a NUL character, where the library would stop reading');
  AnsiText := AnsiString(Text);
  AnsiBits := AnsiString(IntToStr(Bits));
  Gate.Enter;
  try
    case Which of
      exMd5: Block := cifrado_md5(PAnsiChar(AnsiText));
      exSha1: Block := cifrado_SHA1(PAnsiChar(AnsiText));
      exSha2: Block := cifrado_SHA2(PAnsiChar(AnsiText), PAnsiChar(AnsiBits));
      exSha3: Block := cifrado_SHA3(PAnsiChar(AnsiText), PAnsiChar(AnsiBits));
    else
      Block := text_rot13(PAnsiChar(AnsiText), nil);
    end;
    try
      if Block = nil then
        OutOfMemoryError;
      Copied := Block;
    finally
      LibraryFreeMem;
    end;
  finally
    Gate.Leave;
  end;
  Result := string(Copied);
end;

{ The thread's error as the last call left it. }
function LastError: Integer;
begin
{$IF DEFINED(MSWINDOWS)}
  Result := Integer(GetLastError);
{$ELSEIF DEFINED(FPC)}
  Result := __errno_location^;
{$ELSE}
  Result := GetLastError;
{$IFEND}
end;

{ A text as the Unicode exports take it: UTF-16 on Windows, UTF-8 elsewhere,
  with each unpaired surrogate as U+FFFD, as Windows' conversion makes it. }
function Native(const Text: UnicodeString): TNative;
{$IFNDEF MSWINDOWS}
var
  Paired: UnicodeString;
  I: Integer;
{$ENDIF}
begin
  if Pos(WideChar(#0), Text) > 0 then
    raise EArgumentException.Create('quorvalent: the text holds a NUL character, where the library would stop reading');
{$IFDEF MSWINDOWS}
  Result := Text;
{$ELSE}
  Paired := Text;
  I := 1;
  while I <= Length(Paired) do
  begin
    if (Paired[I] >= #$D800) and (Paired[I] <= #$DBFF) and (I < Length(Paired)) and
       (Paired[I + 1] >= #$DC00) and (Paired[I + 1] <= #$DFFF) then
      Inc(I)
    else if (Paired[I] >= #$D800) and (Paired[I] <= #$DFFF) then
      Paired[I] := #$FFFD;
    Inc(I);
  end;
  Result := UTF8Encode(Paired);
{$ENDIF}
end;

{ A path as the file system names it; Free Pascal's AnsiString elsewhere holds those bytes already. }
function NativePath(const Path: string): TNative;
begin
{$IF DEFINED(MSWINDOWS) OR NOT DEFINED(FPC)}
  Result := Native(UnicodeString(Path));
{$ELSE}
  if Pos(#0, Path) > 0 then
    raise EArgumentException.Create('quorvalent: the path holds a NUL character');
  Result := Path;
{$IFEND}
end;

{ One Unicode export's digest, or EOSError with the system's reason. Argument
  is the text or the path, Bytes the data. }
function UnicodeCall(Which: TUnicodeExport; const Argument: TNative; const Bytes: TBytes;
  const Algorithm, Shown: string): string;
var
  NativeAlgorithm: TNative;
  Copied: {$IFDEF MSWINDOWS}UnicodeString{$ELSE}AnsiString{$ENDIF};
  Block: PQuorvalentChar;
  Code: Integer;
  Error: EOSError;
begin
  NativeAlgorithm := Native(UnicodeString(Algorithm));
  Gate.Enter;
  try
    case Which of
      exText: Block := cifrado_text(PQuorvalentChar(Argument), PQuorvalentChar(NativeAlgorithm));
      exData: Block := cifrado_data(Pointer(Bytes), Length(Bytes), PQuorvalentChar(NativeAlgorithm));
    else
      Block := cifrado_file(PQuorvalentChar(Argument), PQuorvalentChar(NativeAlgorithm));
    end;
    Code := LastError;  { before anything else can change it }
    try
      if Block = nil then
      begin
        Error := EOSError.CreateFmt('quorvalent: %s%s: %s', [Shown, Algorithm, SysErrorMessage(Code)]);
        Error.ErrorCode := Code;
        raise Error;
      end;
      Copied := Block;
    finally
      LibraryFreeMem;
    end;
  finally
    Gate.Leave;
  end;
  Result := string(Copied);
end;

function HashText(const Text: UnicodeString; const Algorithm: string): string;
begin
  Result := UnicodeCall(exText, Native(Text), nil, Algorithm, '');
end;

function HashData(const Bytes: TBytes; const Algorithm: string): string;
begin
  Result := UnicodeCall(exData, '', Bytes, Algorithm, '');
end;

function HashFile(const Path: string; const Algorithm: string): string;
begin
  Result := UnicodeCall(exFile, NativePath(Path), nil, Algorithm, Path + ', ');
end;

function Md5(const Text: string): string;
begin
  Result := Call(exMd5, Text, 0);
end;

function Sha1(const Text: string): string;
begin
  Result := Call(exSha1, Text, 0);
end;

function Sha2(const Text: string; Bits: Integer): string;
begin
  Result := Call(exSha2, Text, Bits);
end;

function Sha3(const Text: string; Bits: Integer): string;
begin
  Result := Call(exSha3, Text, Bits);
end;

function Rot13(const Text: string): string;
begin
  Result := Call(exRot13, Text, 0);
end;

initialization
  Gate := TCriticalSection.Create;

finalization
  Gate.Free;

end.

// SPDX-License-Identifier: MIT
{ quorvalent from Free Pascal and Delphi: add this unit to the uses clause.

      uses Quorvalent;
      WriteLn(Sha2('abc', 384));          // cb00753f45a35e8b...
      WriteLn(Rot13('Hello, World!'));    // Uryyb, Jbeyq!

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
  cthreads first in its uses clause. }
unit Quorvalent;

{$IFDEF FPC}
  {$MODE DELPHI}
  {$H+}
{$ENDIF}

interface

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

implementation

uses
  SysUtils, SyncObjs;

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

type
  TExport = (exMd5, exSha1, exSha2, exSha3, exRot13);

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

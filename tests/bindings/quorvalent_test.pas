// SPDX-License-Identifier: MIT
{ bindings/quorvalent.pas against the Linux library: every case of the table
  tests/helpers/wrapper_cases.py writes, once on one thread and again on four at once.
  Usage: quorvalent_test CASES.tsv }
program quorvalent_test;

{$MODE DELPHI}
{$H+}

uses
  cthreads, Classes, SysUtils, Quorvalent;

type
  TCase = record
    Call, Text, Expected, Algorithm: string;
    Bits: Integer;  { 0: called without bits }
  end;

  TWorker = class(TThread)
  protected
    procedure Execute; override;
  public
    Wrong: Integer;
  end;

var
  Cases: array of TCase;
  Passed, Failed, FileNumber: Integer;

procedure Expect(Ok: Boolean; const What: string);
begin
  if Ok then
    InterlockedIncrement(Passed)
  else
  begin
    InterlockedIncrement(Failed);
    WriteLn('FAIL ', What);
  end;
end;

function FromHex(const Hex: string): string;
var
  I: Integer;
begin
  Result := '';
  if Hex = '-' then
    Exit;
  SetLength(Result, Length(Hex) div 2);
  for I := 1 to Length(Result) do
    Result[I] := Chr(StrToInt('$' + Copy(Hex, 2 * I - 1, 2)));
end;

procedure Load(const Path: string);
var
  Lines, Fields: TStringList;
  I: Integer;
begin
  Lines := TStringList.Create;
  Fields := TStringList.Create;
  try
    Lines.LoadFromFile(Path);
    Fields.Delimiter := #9;
    Fields.StrictDelimiter := True;
    SetLength(Cases, Lines.Count);
    for I := 0 to Lines.Count - 1 do
    begin
      Fields.DelimitedText := Lines[I];
      Cases[I].Call := Fields[0];
      Cases[I].Algorithm := Fields[1];
      if (Fields[1] = '-') or (Fields[0] = 'text') or (Fields[0] = 'data') or (Fields[0] = 'file') then
        Cases[I].Bits := 0
      else
        Cases[I].Bits := StrToInt(Fields[1]);
      Cases[I].Text := FromHex(Fields[2]);
      Cases[I].Expected := FromHex(Fields[3]);
    end;
  finally
    Fields.Free;
    Lines.Free;
  end;
end;

function AsBytes(const Text: string): TBytes;
begin
  Result := nil;
  SetLength(Result, Length(Text));
  if Text <> '' then
    Move(Text[1], Result[0], Length(Text));
end;

{ The digest of a file written with Text's bytes, under a name of its own on every thread. }
function HashWritten(const Text, Algorithm: string): string;
var
  Path: string;
  Stream: TFileStream;
begin
  Path := Format('%squorvalent-%d-%d', [GetTempDir, GetProcessID, InterlockedIncrement(FileNumber)]);
  Stream := TFileStream.Create(Path, fmCreate);
  try
    if Text <> '' then
      Stream.WriteBuffer(Text[1], Length(Text));
  finally
    Stream.Free;
  end;
  try
    Result := HashFile(Path, Algorithm);
  finally
    DeleteFile(Path);
  end;
end;

function Run(const C: TCase): string;
begin
  if C.Call = 'md5' then
    Result := Md5(C.Text)
  else if C.Call = 'sha1' then
    Result := Sha1(C.Text)
  else if (C.Call = 'sha2') and (C.Bits = 0) then
    Result := Sha2(C.Text)
  else if C.Call = 'sha2' then
    Result := Sha2(C.Text, C.Bits)
  else if (C.Call = 'sha3') and (C.Bits = 0) then
    Result := Sha3(C.Text)
  else if C.Call = 'sha3' then
    Result := Sha3(C.Text, C.Bits)
  else if C.Call = 'rot13' then
    Result := Rot13(C.Text)
  else if C.Call = 'text' then
    Result := HashText(UTF8Decode(C.Text), C.Algorithm)
  else if C.Call = 'data' then
    Result := HashData(AsBytes(C.Text), C.Algorithm)
  else if C.Call = 'file' then
    Result := HashWritten(C.Text, C.Algorithm)
  else
    raise Exception.Create('unknown call ' + C.Call);
end;

{ The number of cases whose result differs, each one reported. }
function Mismatches: Integer;
var
  I: Integer;
  Got: string;
begin
  Result := 0;
  for I := 0 to High(Cases) do
  begin
    Got := Run(Cases[I]);
    if Got <> Cases[I].Expected then
    begin
      Inc(Result);
      WriteLn('  ', Cases[I].Call, '("', Copy(Cases[I].Text, 1, 20), '", ', Cases[I].Bits, ') = "', Got,
              '", want "', Cases[I].Expected, '"');
    end;
  end;
end;

procedure TWorker.Execute;
var
  Pass: Integer;
begin
  for Pass := 1 to 10 do
    Inc(Wrong, Mismatches);
end;

function RefusesNul: Boolean;
begin
  Result := False;
  try
    Md5('a'#0'b');
  except
    on EArgumentException do
      Result := True;
  end;
end;

{ The EOSError of a null result carries the errno and the system's message. }
procedure ExpectFailure(const What, Path, Algorithm: string; Code: Integer);
begin
  try
    if Path = '' then
      HashText('abc', Algorithm)
    else
      HashFile(Path, Algorithm);
    Expect(False, What + ' gave a digest');
  except
    on E: EOSError do
      Expect((E.ErrorCode = DWord(Code)) and (Pos(SysErrorMessage(Code), E.Message) > 0),
             Format('%s: error %d, "%s", want %d', [What, E.ErrorCode, E.Message, Code]));
  end;
end;

var
  Workers: array[0..3] of TWorker;
  I: Integer;
begin
  Load(ParamStr(1));
  Expect(Length(Cases) > 100, Format('the table has only %d cases', [Length(Cases)]));
  Expect(Mismatches = 0, 'cases on one thread');
  Expect(RefusesNul, 'a NUL character is refused');
  Expect(HashText(UnicodeString('a') + WideChar($D800) + 'b', 'MD5') = HashText(UnicodeString('a') + WideChar($FFFD) + 'b', 'MD5'),
         'a lone surrogate is U+FFFD');
  ExpectFailure('an unknown algorithm', '', 'SHA-257', 22);
  ExpectFailure('a missing file', GetTempDir + 'quorvalent-missing', 'MD5', 2);
  ExpectFailure('a folder', GetTempDir, 'MD5', 21);
  ExpectFailure('a device', '/dev/zero', 'MD5', 22);

  for I := 0 to High(Workers) do
    Workers[I] := TWorker.Create(False);
  for I := 0 to High(Workers) do
  begin
    Workers[I].WaitFor;
    Expect(Workers[I].Wrong = 0, Format('cases on thread %d', [I]));
    Workers[I].Free;
  end;

  WriteLn(Passed, ' passed, ', Failed, ' failed');
  if Failed <> 0 then
    Halt(1);
end.

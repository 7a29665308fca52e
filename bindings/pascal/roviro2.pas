{ SPDX-License-Identifier: MIT }
{ The roviro2 library for Free Pascal and Delphi: every export (generated
  into roviro2_exports.inc from the export table), the named results, the
  tag address, and, outside Windows, the extensions of roviro2_ext.h. The
  library uses stdcall on Windows and cdecl elsewhere; var parameters are
  those the library writes. }
unit roviro2;

{$IFDEF FPC}{$MODE DELPHI}{$ENDIF}

interface

{$IFDEF MSWINDOWS}
  {$DEFINE ROVIRO2_STDCALL}
{$ENDIF}

const
{$IFDEF MSWINDOWS}
  ROVIRO2_LIB = 'roviro2.dll';
{$ELSE}
  ROVIRO2_LIB = 'roviro2';
{$ENDIF}

  ROVIRO2_CONNECTED = 7;
  ROVIRO2_CONNECTING = 6;
  ROVIRO2_NOT_CONNECTED = 0;
  ROVIRO2_CANNOT_START = -2;
  ROVIRO2_SENT = 0;
  ROVIRO2_NO_GATEWAY = -1;
  ROVIRO2_NEVER_OPENED = -2;
  ROVIRO2_NOT_UP = -3;
  ROVIRO2_SEND_FAILED = -4;
  ROVIRO2_FRAME_TAKEN = 1;
  ROVIRO2_NO_FRAME = 0;
  ROVIRO2_DAMAGED_FRAME = -2;
  { Room that PT_GW_RcvMsg and PT_Tag_RcvMsg (its data) need. }
  ROVIRO2_FRAME_ROOM = 8198;
  ROVIRO2_DATA_ROOM = 8190;

{$I roviro2_exports.inc}

{ The tag address of node Node on port Port (1 or 2) of gateway GwId. }
function ROVIRO2_TAG_ADDR(GwId, Port, Node: LongWord): LongWord;

{$IFNDEF MSWINDOWS}
const
  { Result of roviro2_fetch_frames when the oldest frame does not fit. }
  ROVIRO2_FETCH_TOO_SMALL = -2;

type
  TRoviro2NoticeFn = procedure(Text: PAnsiChar; Ctx: Pointer); cdecl;

procedure roviro2_set_notice_handler(Fn: TRoviro2NoticeFn; Ctx: Pointer);
  cdecl; external ROVIRO2_LIB;
function roviro2_dispatch: LongInt; cdecl; external ROVIRO2_LIB;
function roviro2_event_fd: LongInt; cdecl; external ROVIRO2_LIB;
function roviro2_last_error(GwId: LongWord; Text: PAnsiChar; Size: LongInt): LongInt;
  cdecl; external ROVIRO2_LIB;
function roviro2_version: PAnsiChar; cdecl; external ROVIRO2_LIB;
function roviro2_result_text(FunctionName: PAnsiChar; Result: LongInt): PAnsiChar;
  cdecl; external ROVIRO2_LIB;
procedure roviro2_batch_begin; cdecl; external ROVIRO2_LIB;
function roviro2_batch_end: LongInt; cdecl; external ROVIRO2_LIB;
function roviro2_wait(TimeoutMs: LongInt): LongInt; cdecl; external ROVIRO2_LIB;
function roviro2_set_receive_limit(Bytes: NativeUInt): NativeUInt; cdecl; external ROVIRO2_LIB;
{ Each frame in Buffer follows its size (2 bytes, little-endian) and, for
  GwId 0, its gateway byte (2 bytes); Used receives the bytes written, or
  the room needed when the result is ROVIRO2_FETCH_TOO_SMALL. }
function roviro2_fetch_frames(GwId: LongWord; Buffer: PByte; Size: LongWord;
  var Used: LongWord): LongInt; cdecl; external ROVIRO2_LIB;
{$ENDIF}

implementation

function ROVIRO2_TAG_ADDR(GwId, Port, Node: LongWord): LongWord;
begin
  Result := ((GwId and $FFFF) shl 16) or ((Port and $FF) shl 8) or (Node and $FF);
end;

end.

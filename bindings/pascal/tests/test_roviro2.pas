{ SPDX-License-Identifier: MIT }
program test_roviro2;
{ The Pascal unit against the simulator named in ./IPINDEX as gateway 1:
  the var parameters of the table and of PT_Tag_RcvMsg, results, texts and
  an answer. Prints one line per failed check and exits 1 when one failed. }
uses SysUtils, roviro2;

var
  Failed: Boolean = False;

procedure Check(Ok: Boolean; const What: string);
begin
  if not Ok then
  begin
    WriteLn('FAILED: ', What);
    Failed := True;
  end;
end;

var
  Deadline: TDateTime;
  Id: Word;
  Port, Got: LongInt;
  Ip: array[0..15] of AnsiChar;
  Tag, From: LongWord;
  Command, Status, Length: SmallInt;
  Data: array[0..ROVIRO2_DATA_ROOM - 1] of Byte;
begin
  Check(PT_API_Open = 1, 'PT_API_Open loads the one gateway of IPINDEX');
  Check(PT_GW_Conf(0, Id, @Ip[0], Port) = 1, 'PT_GW_Conf reads entry 0');
  Check((Id = 1) and (StrPas(PAnsiChar(@Ip[0])) = '127.0.0.1') and (Port > 0),
    'PT_GW_Conf writes the ID, address and port');
  Check(PT_GW_Conf(5, Id, @Ip[0], Port) = -1, 'PT_GW_Conf refuses an index past the table');
  Tag := ROVIRO2_TAG_ADDR(1, 1, 7);
  Check(Tag = $00010107, 'ROVIRO2_TAG_ADDR');
  Check(PT_LB_DspAddr(Tag) = ROVIRO2_NEVER_OPENED, 'a command before PT_GW_Open');
  Check(StrPas(roviro2_result_text('PT_GW_Status', 6)) = 'connecting', 'roviro2_result_text');
  PT_GW_Open(1);
  Deadline := Now + 5 / SecsPerDay;
  while (PT_GW_Status(1) <> ROVIRO2_CONNECTED) and (Now < Deadline) do
    Sleep(10);
  Check(PT_GW_Status(1) = ROVIRO2_CONNECTED, 'gateway 1 connects');
  Check(PT_LB_DspNum(Tag, 1000000, 0, 0) = -2, 'PT_LB_DspNum refuses a number out of range');
  Check(PT_LB_DspAddr(ROVIRO2_TAG_ADDR(9, 1, 7)) = ROVIRO2_NO_GATEWAY, 'an unknown gateway');
  Check(PT_KBN_SegDsp(Tag, nil, 0) <= 0, 'PT_KBN_SegDsp with no segments');
  Check(PT_DIO_SetDO(Tag, 3, 1) = ROVIRO2_SENT, 'PT_DIO_SetDO is sent');
  Check(PT_DIO_ReadIoStatus(Tag) = ROVIRO2_SENT, 'PT_DIO_ReadIoStatus is sent');
  Got := ROVIRO2_NO_FRAME;
  Deadline := Now + 5 / SecsPerDay;
  repeat
    PT_GW_Status(1);
    From := ROVIRO2_TAG_ADDR(1, 0, 0);  { any port and node of gateway 1 }
    Command := $3C;
    Got := PT_Tag_RcvMsg(From, Command, Status, @Data[0], Length);
    if Got <> ROVIRO2_FRAME_TAKEN then
      Sleep(10);
  until (Got = ROVIRO2_FRAME_TAKEN) or (Now > Deadline);
  Check(Got = ROVIRO2_FRAME_TAKEN, 'the answer of PT_DIO_ReadIoStatus arrives');
  Check((From = Tag) and (Command = $3C) and (Status = 0) and (Length = 4),
    Format('its tag, command, status and length: %x %x %d %d', [From, Command, Status, Length]));
  Check((Data[2] = $04) and (Data[3] = $00), 'its outputs show output 3 set');
  PT_API_Close;
  if Failed then
    Halt(1);
  WriteLn('every check passed');
end.

{ SPDX-License-Identifier: MIT }
program test_roviro2;
{ The Pascal unit against the simulator named in ./IPINDEX as gateway 1:
  the var parameters of the table and of PT_Tag_RcvMsg, results, texts, an
  answer, a batch, and answers fetched many at a time. Prints one line per
  failed check and exits 1 when one failed. }
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
  Node: LongWord;
  Used, Size: LongWord;
  Fetched: Integer;
  Records: array[0..22] of Byte;
  Seen: string;
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

  { A batch: each output change only means something after the one before
    it, and the first status request answers with what they left. }
  Tag := ROVIRO2_TAG_ADDR(1, 1, 8);
  roviro2_batch_begin;
  Check(PT_DIO_SetDO(Tag, 0, $FFFF) = ROVIRO2_SENT, 'a batch takes a frame');
  PT_DIO_SetDO(Tag, 1, 0);
  PT_DIO_SetDO(Tag, 16, 0);
  for Node := 8 to 11 do
    PT_DIO_ReadIoStatus(ROVIRO2_TAG_ADDR(1, 1, Node));
  Check(roviro2_wait(100) = 0, 'nothing leaves before the end of the batch');
  Check(roviro2_batch_end = 0, 'the end of the batch hands every frame to the system');
  Check(roviro2_batch_end = -1, 'an end with no batch open');

  { The four answers, fetched with room for one and a half: none is lost or
    cut, and a buffer too small for the oldest takes nothing. }
  Check(roviro2_set_receive_limit(1 shl 20) = 16 shl 20, 'the default receive limit');
  roviro2_set_receive_limit(16 shl 20);
  Seen := '';
  Deadline := Now + 5 / SecsPerDay;
  Fetched := 0;
  while (Fetched < 4) and (Now < Deadline) do
  begin
    Got := roviro2_fetch_frames(1, @Records[0], 1, Used);
    if Got = 0 then
    begin
      roviro2_wait(100);
      Continue;
    end;
    Check((Got = ROVIRO2_FETCH_TOO_SMALL) and (Used = 15), 'the room for the oldest answer');
    Got := roviro2_fetch_frames(1, @Records[0], SizeOf(Records), Used);
    Check((Got = 1) and (Used = 15), 'room for one answer and a half takes one');
    Size := Records[0] or (Records[1] shl 8);
    Check((Size = 13) and (Records[2] = 13) and (Records[8] = $3C), 'a whole answer');
    Seen := Seen + Format('%.2x%.2x', [Records[9], Records[13]]);
    Inc(Fetched);
  end;
  Check(Seen = '08FE09000A000B00', 'the answers in order, the first after the changes: ' + Seen);
  PT_API_Close;
  if Failed then
    Halt(1);
  WriteLn('every check passed');
end.

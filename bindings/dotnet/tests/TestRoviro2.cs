// SPDX-License-Identifier: MIT
// The C# binding against the simulator named in ./IPINDEX as gateway 1: the
// out and ref parameters, exceptions with the result text, an answer and a
// time-out. Prints one line per failed check and exits 1 when one failed.
using System;
using System.Text;
using Roviro2;

static class TestRoviro2
{
    static bool failed;

    static void Check(bool ok, string what)
    {
        if (!ok)
        {
            Console.WriteLine("FAILED: " + what);
            failed = true;
        }
    }

    static int Error(Action action)
    {
        try
        {
            action();
        }
        catch (Roviro2Exception e)
        {
            return e.Result;
        }
        return 0;
    }

    static int Main()
    {
        using (var lib = new Library())
        {
            Check(lib.Loaded == 1, "PT_API_Open loads the one gateway of IPINDEX");
            ushort id;
            int port;
            var ip = new byte[16];
            Check(Native.PT_GW_Conf(0, out id, ip, out port) == 1, "PT_GW_Conf reads entry 0");
            Check(id == 1 && Encoding.ASCII.GetString(ip, 0, 9) == "127.0.0.1" && port > 0,
                  "PT_GW_Conf writes the ID, address and port");
            var gw = lib.Gateway(1);
            var tag = gw.Tag(1, 7);
            Check(tag.Address == 0x00010107, "the tag address");
            Check(Error(() => tag.LbDspAddr()) == Native.NeverOpened, "a command before PT_GW_Open");
            Check(Error(() => lib.Gateway(9)) == -2, "an unknown gateway");
            try
            {
                tag.LbDspNum(1000000, 0, 0);
                Check(false, "PT_LB_DspNum out of range raises");
            }
            catch (Roviro2Exception e)
            {
                Check(e.Message.StartsWith("PT_LB_DspNum: ") && e.Message.EndsWith("(-2)"), e.Message);
            }
            gw.Open();
            gw.WaitConnected(5000);
            tag.DioSetDO(3, 1);
            tag.DioReadIoStatus();
            var answer = lib.NextEvent(Native.TagAddr(1, 0, 0), 0x3C, 5000);
            Check(answer.TagAddr == tag.Address && answer.Status == 0 && answer.Data.Length == 4 &&
                  answer.Data[2] == 0x04, "the answer of PT_DIO_ReadIoStatus");
            gw.Tag(2, 3).CnvSendData(new byte[] { 0x61, 0, 0x62 });
            gw.Tag(2, 1).DcsDspStrE(Tag.Bytes("Hello"));
            try
            {
                lib.NextEvent(tag.Address, -1, 200);
                Check(false, "NextEvent times out");
            }
            catch (TimeoutException)
            {
            }
        }
        if (failed)
            return 1;
        Console.WriteLine("every check passed");
        return 0;
    }
}

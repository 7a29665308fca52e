// SPDX-License-Identifier: MIT
// The C# binding against the simulator named in ./IPINDEX as gateway 1: the
// out and ref parameters, exceptions with the result text, an answer, a
// time-out, a batch, answers fetched many at a time, and notices from a
// gateway of the test's own. Prints one line per failed check and exits 1
// when one failed.
using System;
using System.Collections.Generic;
using System.Diagnostics;
using System.Net;
using System.Net.Sockets;
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

    // Each output change only means something after the one before it, and
    // the first status request answers with what they left; the answers are
    // then fetched with room for one and a half, so none may be lost or cut.
    static void CheckBatchAndFetch(Library lib, Gateway gw)
    {
        var tag = gw.Tag(1, 8);
        using (var batch = lib.Batch())
        {
            tag.DioSetDO(0, 0xFFFF);
            tag.DioSetDO(1, 0);
            tag.DioSetDO(16, 0);
            for (uint node = 8; node <= 11; node++)
                gw.Tag(1, node).DioReadIoStatus();
            Check(lib.Wait(100) == 0, "nothing leaves before the end of the batch");
            Check(batch.End() == 0, "the end of the batch hands every frame to the system");
        }
        Check(Native.roviro2_batch_end() == -1, "an end with no batch open");
        Check(lib.SetReceiveLimit(1 << 20) == 16 << 20 && lib.SetReceiveLimit(16 << 20) == 1 << 20,
              "the default receive limit");
        var seen = new StringBuilder();
        var clock = Stopwatch.StartNew();
        int fetched = 0;
        while (fetched < 4 && clock.ElapsedMilliseconds < 5000)
        {
            var frames = gw.FetchFrames(23);
            if (frames.Count == 0)
                lib.Wait(100);
            Check(frames.Count <= 1, "room for one answer and a half takes one");
            foreach (var frame in frames)
            {
                Check(frame.Length == 13 && frame[0] == 13 && frame[6] == 0x3C, "a whole answer");
                seen.AppendFormat("{0:X2}{1:X2}", frame[7], frame[11]);
                fetched++;
            }
        }
        Check(seen.ToString() == "08FE09000A000B00", "the answers in order: " + seen);
        Check(lib.FetchFrames(1, 1).Count == 0 && Error(() => lib.FetchFrames(9)) == -1,
              "nothing left, and an unknown gateway");
    }

    // A notice from a gateway that sends a length no frame can have reaches the
    // handler, which the library object keeps alive.
    static void CheckNotices(Library lib)
    {
        var notices = new List<string>();
        lib.SetNoticeHandler(text => notices.Add(text));
        GC.Collect();
        GC.WaitForPendingFinalizers();
        var listener = new TcpListener(IPAddress.Loopback, 0);
        listener.Start();
        try
        {
            var gw = lib.AddGateway(2, "127.0.0.1", (uint)((IPEndPoint)listener.LocalEndpoint).Port);
            gw.Open();
            gw.WaitConnected(5000);
            var clock = Stopwatch.StartNew();
            while (!listener.Pending() && clock.ElapsedMilliseconds < 5000)
                lib.Wait(10);
            using (var client = listener.AcceptTcpClient())
            {
                client.GetStream().Write(new byte[] { 0xFF, 0xFF, 0x60, 0, 0, 0, 0, 0 }, 0, 8);
                while (notices.Count == 0 && clock.ElapsedMilliseconds < 5000)
                    lib.Wait(100);
            }
        }
        finally
        {
            listener.Stop();
        }
        Check(notices.Count == 1 && notices[0] == "Receive Data Error, Get Data too much = 65535",
              "the notice: " + string.Join("|", notices));
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
            CheckBatchAndFetch(lib, gw);
            CheckNotices(lib);
        }
        if (failed)
            return 1;
        Console.WriteLine("every check passed");
        return 0;
    }
}

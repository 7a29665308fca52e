// SPDX-License-Identifier: MIT
// A thin layer over the exports (Exports.g.cs) and the extensions
// (Extensions.cs): the library as an IDisposable, gateways, tags, events,
// batches, fetches of many frames, and exceptions for negative results.
using System;
using System.Collections.Generic;
using System.Diagnostics;
using System.Runtime.InteropServices;
using System.Text;
using System.Threading;

namespace Roviro2
{
    public static partial class Native
    {
        public const int Connected = 7, Connecting = 6, NotConnected = 0;
        public const int Sent = 0, NoGateway = -1, NeverOpened = -2, NotUp = -3, SendFailed = -4;
        public const int FrameTaken = 1, NoFrame = 0, DamagedFrame = -2;
        public const int DataRoom = 8190;

        public static uint TagAddr(uint gwId, uint port, uint node)
        {
            return ((gwId & 0xFFFF) << 16) | ((port & 0xFF) << 8) | (node & 0xFF);
        }

        /// <summary>What a result of the named function means.</summary>
        public static string ResultText(string function, int result)
        {
            try
            {
                return Marshal.PtrToStringAnsi(roviro2_result_text(function, result));
            }
            catch (EntryPointNotFoundException)
            {
                return result < 0 ? "failed" : "ok";
            }
        }
    }

    /// <summary>A function answered with a negative result.</summary>
    public class Roviro2Exception : Exception
    {
        public readonly string Function;
        public readonly int Result;

        public Roviro2Exception(string function, int result)
            : base(function + ": " + Native.ResultText(function, result) + " (" + result + ")")
        {
            Function = function;
            Result = result;
        }

        public static int Check(string function, int result)
        {
            if (result < 0)
                throw new Roviro2Exception(function, result);
            return result;
        }
    }

    /// <summary>A frame from a tag, as PT_Tag_RcvMsg decodes it; Status is -1
    /// for the commands that carry none.</summary>
    public class Event
    {
        public uint TagAddr;
        public int Command, Status;
        public byte[] Data;
        public uint Node { get { return TagAddr & 0xFF; } }
    }

    /// <summary>The library, open from construction to Dispose (PT_API_Open
    /// reads ./IPINDEX). Use it from one thread only.</summary>
    public sealed class Library : IDisposable
    {
        public readonly int Loaded;
        NoticeFn notice;  // kept alive while the library may call it

        public Library()
        {
            Loaded = Math.Max(Native.PT_API_Open(), 0);
        }

        public Gateway AddGateway(uint id, string address, uint port)
        {
            Roviro2Exception.Check("PT_GW_InsConf", Native.PT_GW_InsConf(id, address, port));
            return new Gateway(id);
        }

        public Gateway Gateway(uint id)
        {
            Roviro2Exception.Check("PT_GW_ID2Ndx", Native.PT_GW_ID2Ndx(id));
            return new Gateway(id);
        }

        /// <summary>The next frame matching tag (0 parts match any) and command
        /// (-1: any); a TimeoutException after timeoutMs.</summary>
        public Event NextEvent(uint tag, int command, int timeoutMs)
        {
            var clock = Stopwatch.StartNew();
            var data = new byte[Native.DataRoom];
            while (true)
            {
                Native.PT_GW_Status(0);  // handles arrived data
                uint from = tag;
                short cmd = (short)command, status, length;
                int got = Native.PT_Tag_RcvMsg(ref from, ref cmd, out status, data, out length);
                if (got == Native.FrameTaken)
                {
                    var bytes = new byte[Math.Max((int)length, 0)];
                    Array.Copy(data, bytes, bytes.Length);
                    return new Event { TagAddr = from, Command = cmd, Status = status, Data = bytes };
                }
                if (got != Native.DamagedFrame)
                    Roviro2Exception.Check("PT_Tag_RcvMsg", got);
                if (clock.ElapsedMilliseconds > timeoutMs)
                    throw new TimeoutException("no event within " + timeoutMs + " ms");
                if (got != Native.DamagedFrame)
                    Thread.Sleep(10);
            }
        }

        /// <summary>Sleeps until socket events are pending, at most timeoutMs
        /// (-1: no bound; 0: no wait), then runs them (roviro2_wait); how many
        /// ran, 0 on time-out. It does not reconnect gateways: Status does.</summary>
        public int Wait(int timeoutMs)
        {
            return Native.roviro2_wait(timeoutMs);
        }

        /// <summary>Runs every pending socket event without waiting.</summary>
        public int Dispatch()
        {
            return Native.roviro2_dispatch();
        }

        /// <summary>Readable while socket events are pending; -1 when the
        /// library is not open.</summary>
        public int EventFd
        {
            get { return Native.roviro2_event_fd(); }
        }

        public string Version
        {
            get { return Marshal.PtrToStringAnsi(Native.roviro2_version()); }
        }

        /// <summary>A batch open until its End or Dispose.</summary>
        public Batch Batch()
        {
            return new Batch();
        }

        /// <summary>Frames waiting to be fetched, as Frames.Fetch takes them;
        /// gwId 0: of every gateway.</summary>
        public List<byte[]> FetchFrames(uint gwId = 0, int maxBytes = Frames.Room)
        {
            return Frames.Fetch(gwId, maxBytes);
        }

        /// <summary>Bounds the bytes of the frames queued from one gateway (0:
        /// no limit; 16 MiB by default): at the limit the library stops reading
        /// that gateway until fetching brings them below half of it; nothing is
        /// dropped. Returns the limit set before.</summary>
        public ulong SetReceiveLimit(ulong bytes)
        {
            return (ulong)Native.roviro2_set_receive_limit(new UIntPtr(bytes));
        }

        /// <summary>Calls handler with every notice text (null: the library's
        /// default, a line on stderr) until Dispose. It runs inside library
        /// calls and must not throw.</summary>
        public void SetNoticeHandler(Action<string> handler)
        {
            var fn = handler == null ? null
                                     : new NoticeFn((text, ctx) => handler(Marshal.PtrToStringAnsi(text)));
            Native.roviro2_set_notice_handler(fn, IntPtr.Zero);
            notice = fn;
        }

        public void Dispose()
        {
            Native.PT_API_Close();
            if (notice != null)
                SetNoticeHandler(null);
        }
    }

    /// <summary>Frames sent between construction and End (or Dispose), by any
    /// command, wait in their gateway's output buffer and go out together, in
    /// order, at the end (roviro2_batch_begin, roviro2_batch_end); a frame that
    /// does not fit still throws at its send. Batches nest: only the outermost
    /// end writes.</summary>
    public sealed class Batch : IDisposable
    {
        bool ended;

        /// <summary>After the end: the count of gateways whose bytes the system
        /// could not take at once; the rest goes out at later Status calls and
        /// dispatches.</summary>
        public int Waiting { get; private set; }

        public Batch()
        {
            Native.roviro2_batch_begin();
        }

        /// <summary>Ends the batch once; a Roviro2Exception when no batch was
        /// open (the library was not open at the begin).</summary>
        public int End()
        {
            if (!ended)
            {
                ended = true;
                Waiting = Roviro2Exception.Check("roviro2_batch_end", Native.roviro2_batch_end());
            }
            return Waiting;
        }

        public void Dispose()
        {
            End();
        }
    }

    /// <summary>Many queued frames in one call (roviro2_fetch_frames).</summary>
    public static class Frames
    {
        public const int Room = 65536;

        /// <summary>The frames waiting to be fetched from gateway gwId (0: from
        /// every gateway; byte 4 of a frame tells its gateway), oldest first,
        /// each whole (length field first), and removed from the queue: as many
        /// as fit into maxBytes with the library's 2 bytes of size per frame (4
        /// for gwId 0); the rest stay queued. The oldest comes even when it
        /// alone needs more, so the list is empty only when none waits.</summary>
        public static List<byte[]> Fetch(uint gwId, int maxBytes)
        {
            if (maxBytes < 0)
                throw new ArgumentOutOfRangeException("maxBytes");
            var buffer = new byte[Math.Max(maxBytes, 1)];
            uint used;
            int count = Native.roviro2_fetch_frames(gwId, buffer, (uint)maxBytes, out used);
            if (count == Native.FetchTooSmall)
            {
                // used is the room the oldest frame needs.
                buffer = new byte[used];
                count = Native.roviro2_fetch_frames(gwId, buffer, used, out used);
            }
            Roviro2Exception.Check("roviro2_fetch_frames", count);
            int head = gwId == 0 ? 4 : 2;
            var frames = new List<byte[]>(count);
            for (int at = 0; at + head <= used;)
            {
                int size = buffer[at] | buffer[at + 1] << 8;
                var frame = new byte[Math.Min(size, (int)used - at - head)];
                Array.Copy(buffer, at + head, frame, 0, frame.Length);
                frames.Add(frame);
                at += head + size;
            }
            return frames;
        }
    }

    public class Gateway
    {
        public readonly uint Id;

        public Gateway(uint id)
        {
            Id = id;
        }

        public void Open()
        {
            Roviro2Exception.Check("PT_GW_Open", Native.PT_GW_Open(Id));
        }

        public int Status()
        {
            return Roviro2Exception.Check("PT_GW_Status", Native.PT_GW_Status(Id));
        }

        public void WaitConnected(int timeoutMs)
        {
            var clock = Stopwatch.StartNew();
            while (Status() != Native.Connected)
            {
                if (clock.ElapsedMilliseconds > timeoutMs)
                    throw new TimeoutException("gateway " + Id + " not connected after " + timeoutMs + " ms");
                Thread.Sleep(10);
            }
        }

        public Tag Tag(uint port, uint node)
        {
            return new Tag(Id, port, node);
        }

        /// <summary>The frames waiting from this gateway (see Frames.Fetch).</summary>
        public List<byte[]> FetchFrames(int maxBytes = Frames.Room)
        {
            return Frames.Fetch(Id, maxBytes);
        }

        /// <summary>The system's error code for what ended the last connection
        /// or attempt (0: none, or closed in order by the gateway), and its
        /// text.</summary>
        public int LastError(out string text)
        {
            var buffer = new byte[256];
            int code = Roviro2Exception.Check("roviro2_last_error",
                                              Native.roviro2_last_error(Id, buffer, buffer.Length));
            int end = Array.IndexOf(buffer, (byte)0);
            text = Encoding.GetEncoding("iso-8859-1").GetString(buffer, 0, end < 0 ? buffer.Length : end);
            return code;
        }
    }

    public partial class Tag
    {
        public readonly uint Address;

        public Tag(uint gwId, uint port, uint node)
        {
            Address = Native.TagAddr(gwId, port, node);
        }

        public static byte[] Bytes(string text)
        {
            return Encoding.GetEncoding("iso-8859-1").GetBytes(text);
        }
    }
}

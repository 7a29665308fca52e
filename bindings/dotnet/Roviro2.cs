// SPDX-License-Identifier: MIT
// A thin layer over the exports (Exports.g.cs): the library as an
// IDisposable, gateways, tags, events, and exceptions for negative results.
using System;
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

        // An extension of the POSIX library; the Windows DLL has none.
        [DllImport(Library, EntryPoint = "roviro2_result_text", CallingConvention = CallingConvention.Cdecl)]
        static extern IntPtr roviro2_result_text(string function, int result);

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

        public void Dispose()
        {
            Native.PT_API_Close();
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

// SPDX-License-Identifier: MIT
// The P/Invoke declarations of the extensions (roviro2_ext.h): C functions
// (cdecl) of the POSIX library. The Windows DLL has none: there a call
// throws EntryPointNotFoundException.
using System;
using System.Runtime.InteropServices;

namespace Roviro2
{
    /// <summary>Receives each notice text, valid only during the call, on the
    /// library's thread. It must not throw.</summary>
    [UnmanagedFunctionPointer(CallingConvention.Cdecl)]
    public delegate void NoticeFn(IntPtr text, IntPtr ctx);

    public static partial class Native
    {
        /// <summary>Result of roviro2_fetch_frames when the oldest frame does
        /// not fit the buffer; used then holds the room it needs.</summary>
        public const int FetchTooSmall = -2;

        /// <summary>A null fn restores the default (a line on stderr). The
        /// caller keeps fn alive until it is replaced.</summary>
        [DllImport(Library, EntryPoint = "roviro2_set_notice_handler", ExactSpelling = true,
                   CallingConvention = CallingConvention.Cdecl)]
        public static extern void roviro2_set_notice_handler(NoticeFn fn, IntPtr ctx);

        [DllImport(Library, EntryPoint = "roviro2_dispatch", ExactSpelling = true,
                   CallingConvention = CallingConvention.Cdecl)]
        public static extern int roviro2_dispatch();

        [DllImport(Library, EntryPoint = "roviro2_wait", ExactSpelling = true,
                   CallingConvention = CallingConvention.Cdecl)]
        public static extern int roviro2_wait(int timeoutMs);

        [DllImport(Library, EntryPoint = "roviro2_event_fd", ExactSpelling = true,
                   CallingConvention = CallingConvention.Cdecl)]
        public static extern int roviro2_event_fd();

        [DllImport(Library, EntryPoint = "roviro2_last_error", ExactSpelling = true,
                   CallingConvention = CallingConvention.Cdecl)]
        public static extern int roviro2_last_error(uint gwId, [Out] byte[] text, int size);

        [DllImport(Library, EntryPoint = "roviro2_set_receive_limit", ExactSpelling = true,
                   CallingConvention = CallingConvention.Cdecl)]
        public static extern UIntPtr roviro2_set_receive_limit(UIntPtr bytes);

        [DllImport(Library, EntryPoint = "roviro2_batch_begin", ExactSpelling = true,
                   CallingConvention = CallingConvention.Cdecl)]
        public static extern void roviro2_batch_begin();

        [DllImport(Library, EntryPoint = "roviro2_batch_end", ExactSpelling = true,
                   CallingConvention = CallingConvention.Cdecl)]
        public static extern int roviro2_batch_end();

        /// <summary>Each frame in buffer follows its size (2 bytes,
        /// little-endian) and, for gwId 0, its gateway byte (2 bytes).</summary>
        [DllImport(Library, EntryPoint = "roviro2_fetch_frames", ExactSpelling = true,
                   CallingConvention = CallingConvention.Cdecl)]
        public static extern int roviro2_fetch_frames(uint gwId, [Out] byte[] buffer, uint size,
                                                      out uint used);

        [DllImport(Library, EntryPoint = "roviro2_version", ExactSpelling = true,
                   CallingConvention = CallingConvention.Cdecl)]
        public static extern IntPtr roviro2_version();

        [DllImport(Library, EntryPoint = "roviro2_result_text", ExactSpelling = true,
                   CallingConvention = CallingConvention.Cdecl)]
        public static extern IntPtr roviro2_result_text(
            [MarshalAs(UnmanagedType.LPStr)] string function, int result);
    }
}

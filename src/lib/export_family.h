// SPDX-License-Identifier: MIT
// The families of the export table (export_table.inc): what a function's
// results mean.
#pragma once

namespace roviro2 {

enum ExportFamily { kLifecycle, kTable, kConnection, kFetch, kSender, kCommand };

}  // namespace roviro2

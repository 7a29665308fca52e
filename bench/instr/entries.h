/* SPDX-License-Identifier: MIT */
// What the instruction counts measure: entries that each run n units of one
// kind of work (a frame received and fetched, a frame sent, a call), and the
// rows that set a library entry beside a reference.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace bench {

// What an entry's runs are counted in.
enum class Counted {
  kInstructions,  // callgrind, only where the entry switches counting on
  kSystemCalls,   // every system call of the process (not of its children)
};

struct Entry {
  std::string name;
  // Runs n units, counting only those (and nothing of the setup); false when
  // the work could not be done.
  bool (*run)(int64_t n);
  // A run length that lifts the count well above the setup's noise; a
  // multiple of every block the entry works in.
  int64_t length;
  Counted counted = Counted::kInstructions;
};

// How a row judges the library's instructions per unit.
enum class CountGoal {
  kNone,
  kAtMostInstructions,  // at most `target` instructions (or system calls)
  kAtMostRatio,         // at most `target` times the reference's count
};

struct CountRow {
  std::string label;
  std::string figure;
  std::string reference;
  CountGoal goal;
  double target;
};

const std::vector<Entry> &Entries();
// The blocking round trip, counted in system calls.
std::vector<Entry> RoundTripEntries();
const std::vector<CountRow> &CountRows();

}  // namespace bench

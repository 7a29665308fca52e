/* SPDX-License-Identifier: MIT */
// Every exported function by its name, with its arguments read from words
// (the command-line tool) or taken already typed (the bridge), checked
// alike, and the meaning of its results.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace calls {

// Arguments as read: numbers, texts and byte runs, by position.
class Values {
 public:
  uint32_t U(std::size_t i) const { return numbers_.at(i); }
  int32_t I(std::size_t i) const { return static_cast<int32_t>(numbers_.at(i)); }
  const char *S(std::size_t i) const { return texts_.at(i).c_str(); }
  // Bytes of a text or byte list, zero bytes included.
  std::size_t Size(std::size_t i) const { return texts_.at(i).size(); }
  const uint8_t *B(std::size_t i) const {
    return reinterpret_cast<const uint8_t *>(texts_.at(i).data());
  }
  void Add(uint32_t number, std::string text) {
    numbers_.push_back(number);
    texts_.push_back(std::move(text));
  }

 private:
  std::vector<uint32_t> numbers_;
  std::vector<std::string> texts_;
};

struct Function {
  const char *name;
  // One letter per argument: t tag address (gw:port:node or a number),
  // n number, s text (C escapes allowed), l list of bytes ("1,2,31").
  const char *kinds;
  const char *argNames;
  int32_t (*call)(const Values &values, std::string &output);
  // Checks of the arguments together, before the call: false with a message.
  bool (*check)(const Values &values, std::string &error) = nullptr;
};

const std::vector<Function> &Functions();
const Function *FindFunction(const std::string &name);

// Reads the words as the function's arguments; false with a message naming
// the argument that is wrong, or telling a count above the bytes given.
bool ReadArguments(const Function &function, const std::vector<std::string> &words, Values &values,
                   std::string &error);

// The checks of the arguments together (a count within the bytes given, a
// frame within its length field), for values not read by ReadArguments;
// false with a message.
bool CheckArguments(const Function &function, const Values &values, std::string &error);

// PT_GW_Conf of entry `index` (it writes at most 16 bytes of address).
int32_t ReadEntry(uint32_t index, uint16_t &id, std::string &ip, int32_t &port);

// What a result of the function means, in a few words.
std::string Meaning(const std::string &name, int32_t result);

// Whether the result is a failure: negative, or for PT_GW_Status anything
// but 7 and 6.
bool IsFailure(const std::string &name, int32_t result);

}  // namespace calls

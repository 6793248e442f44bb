#pragma once
// Byte layout of one task record in tasks.bin, shared by the loader and the saver.

#include <string>

#include "platform/binary_stream.h"
#include "tasks/task.h"

namespace korvel {

// Smallest number of bytes a task record can occupy (empty strings and lists, no filter pairs).
constexpr std::size_t kMinTaskRecordSize =
    4 + 4 + 4 + 4 + 2 + 1 + 4 + 4 + 2 + 4 + 4 + 3 + 4 + 1 + 4 + 1 + 4 + 8 + 4 + 7 + 31 + 4 + 4 + 4;

// Throws EUnstorableText when a text of the task cannot be stored unchanged.
void WriteTaskRecord(std::string& out, const TTask& task);

// Reads one record into `task` (which holds the defaults of a new task). Returns false
// when the record is damaged: a count or length beyond the end of the data, or a
// record cut short.
bool ReadTaskRecord(ByteReader& in, TTask& task);

} // namespace korvel

#pragma once

#include "status/BoardStatus.h"

#include <cstdint>

// What a front end learns of its board, as it happens: each call comes synchronously from the code that made
// the change, so a front end may show it at once and in order.
class BoardSink {
  public:
    virtual void FieldWritten(BoardField field) = 0;        // the field has its new text
    virtual void ProgramEntered(std::int32_t program) = 0;  // the board announced another program

  protected:
    ~BoardSink() = default;
};

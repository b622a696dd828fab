#pragma once

#include "session/SessionState.h"

// One board: what the tool knows of it and how the conversation with it stands. A front end holds one for each
// board it serves.
class BoardSession {
  public:
    SessionState State;
};

#pragma once

#include "session/SessionState.h"

// The window keeps its state in its board session; beyond that it has only its controls.
using FormState = SessionState;

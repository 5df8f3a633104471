#include "tests/support/MachineFixture.h"

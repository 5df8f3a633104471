#include "setup/SetupInfoBlock.h"

#include <cstring>

SetupInfoBlock::SetupInfoBlock() {
    std::memset(static_cast<void*>(this), 0, sizeof(*this));
    std::memcpy(m_magic, kSetupInfoMagic, sizeof(m_magic));
}

// The fake newer installer with mark B.
#define FAKE_INSTALLER_MARK "B"
#include "FakeInstaller.h"

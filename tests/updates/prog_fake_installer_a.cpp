// The fake newer installer with mark A.
#define FAKE_INSTALLER_MARK "A"
#include "FakeInstaller.h"

#include "../common/Messages.h"

// German error group; keys it lacks keep their English text.
void Messages::messages_rep::loadErrorsDe() {
}

#include "../common/Messages.h"

// French error group; keys it lacks keep their English text.
void Messages::messages_rep::loadErrorsFr() {
}

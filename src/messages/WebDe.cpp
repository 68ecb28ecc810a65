#include "../common/Messages.h"

// German web group; keys it lacks keep their English text.
void Messages::messages_rep::loadWebDe() {
}

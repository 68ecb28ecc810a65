#include "../common/Messages.h"

// Spanish web group; keys it lacks keep their English text.
void Messages::messages_rep::loadWebEs() {
}

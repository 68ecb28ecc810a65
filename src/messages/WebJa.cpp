#include "../common/Messages.h"

// Japanese web group; keys it lacks keep their English text.
void Messages::messages_rep::loadWebJa() {
}

#include "../common/Messages.h"

// Dutch web group; keys it lacks keep their English text.
void Messages::messages_rep::loadWebNl() {
}

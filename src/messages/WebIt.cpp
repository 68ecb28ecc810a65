#include "../common/Messages.h"

// Italian web group; keys it lacks keep their English text.
void Messages::messages_rep::loadWebIt() {
}

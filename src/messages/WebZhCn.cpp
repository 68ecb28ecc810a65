#include "../common/Messages.h"

// simplified Chinese web group; keys it lacks keep their English text.
void Messages::messages_rep::loadWebZhCn() {
}

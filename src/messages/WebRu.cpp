#include "../common/Messages.h"

// Russian web group; keys it lacks keep their English text.
void Messages::messages_rep::loadWebRu() {
}

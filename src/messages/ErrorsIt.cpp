#include "../common/Messages.h"

// Italian error group; keys it lacks keep their English text.
void Messages::messages_rep::loadErrorsIt() {
}

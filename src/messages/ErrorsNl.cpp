#include "../common/Messages.h"

// Dutch error group; keys it lacks keep their English text.
void Messages::messages_rep::loadErrorsNl() {
}

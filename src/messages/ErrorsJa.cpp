#include "../common/Messages.h"

// Japanese error group; keys it lacks keep their English text.
void Messages::messages_rep::loadErrorsJa() {
}

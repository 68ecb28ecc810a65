#include "../common/Messages.h"

// Spanish error group; keys it lacks keep their English text.
void Messages::messages_rep::loadErrorsEs() {
}

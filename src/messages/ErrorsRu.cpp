#include "../common/Messages.h"

// Russian error group; keys it lacks keep their English text.
void Messages::messages_rep::loadErrorsRu() {
}

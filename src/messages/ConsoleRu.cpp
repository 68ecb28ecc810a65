#include "../common/Messages.h"

// Russian console group; keys it lacks keep their English text.
void Messages::messages_rep::loadConsoleRu() {
}

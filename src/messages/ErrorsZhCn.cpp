#include "../common/Messages.h"

// simplified Chinese error group; keys it lacks keep their English text.
void Messages::messages_rep::loadErrorsZhCn() {
}

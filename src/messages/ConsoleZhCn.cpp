#include "../common/Messages.h"

// simplified Chinese console group; keys it lacks keep their English text.
void Messages::messages_rep::loadConsoleZhCn() {
}

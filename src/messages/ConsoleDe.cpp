#include "../common/Messages.h"

// German console group; keys it lacks keep their English text.
void Messages::messages_rep::loadConsoleDe() {
}

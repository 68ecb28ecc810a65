#include "../common/Messages.h"

// French console group; keys it lacks keep their English text.
void Messages::messages_rep::loadConsoleFr() {
}

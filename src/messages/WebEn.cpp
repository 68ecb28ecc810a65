#include "../common/Messages.h"

// English web group: the texts of the web interface ("web_" keys).
void Messages::messages_rep::loadWebEn() {
}

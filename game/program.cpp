// The program's application: bbMain creates the game's one application
// object, which attaches itself to the host.
#include "game/myapp.h"
#include "host/vantorgame.h"

int bbMain() {
    (new c_MyApp())->m_new();
    return 0;
}

#include "interface/interface_startup.h"

void initInterface() {}

// The program's 128 x 128 icon, compiled in from res/.
#pragma once

#include <QIcon>

QIcon LoadAppIcon();

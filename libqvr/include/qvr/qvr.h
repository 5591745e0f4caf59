// Everything libqvr offers.
#pragma once

#include <qvr/lzo.h>
#include <qvr/records.h>

// Everything libqvr offers.
#pragma once

#include <qvr/content.h>
#include <qvr/lzo.h>
#include <qvr/records.h>
#include <qvr/rgx.h>

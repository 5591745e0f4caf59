// SPDX-License-Identifier: BSD-2-Clause
// Everything of libcommon that needs no Qt.
#pragma once

#include "common/datetime.h"
#include "common/globalization.h"
#include "common/ini.h"
#include "common/linked_list.h"
#include "common/mmtimer.h"
#include "common/named_mutex.h"
#include "common/platform.h"
#include "common/profile.h"
#include "common/text.h"
#include "common/xml_parser.h"
#include "common/xml_profile.h"

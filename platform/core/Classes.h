#pragma once
// The class library in one include: lists, string lists, collections, components,
// the class registry, streams, component streaming and INI files.

#include "platform/core/Collection.h"
#include "platform/core/Component.h"
#include "platform/core/Filer.h"
#include "platform/core/IniFiles.h"
#include "platform/core/Lists.h"
#include "platform/core/StringList.h"
#include "platform/core/Streams.h"

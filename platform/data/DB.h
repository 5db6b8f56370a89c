#pragma once
// The dataset framework in one include.

#include "platform/data/DBConsts.h"
#include "platform/data/DBTypes.h"
#include "platform/data/DataSet.h"
#include "platform/data/DataSource.h"
#include "platform/data/ExprParser.h"
#include "platform/data/FieldDefs.h"
#include "platform/data/Fields.h"
#include "platform/data/Params.h"

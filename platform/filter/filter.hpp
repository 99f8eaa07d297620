// The filter framework in one include: objects, media types, samples,
// allocators, pins, the filter, source, transform and renderer bases, the
// graph manager and its tables, and the stock renderers.
#pragma once

#include "platform/filter/allocator.hpp"
#include "platform/filter/base_filter.hpp"
#include "platform/filter/formats.hpp"
#include "platform/filter/graph.hpp"
#include "platform/filter/guid.hpp"
#include "platform/filter/interfaces.hpp"
#include "platform/filter/media_type.hpp"
#include "platform/filter/pin.hpp"
#include "platform/filter/renderer.hpp"
#include "platform/filter/result.hpp"
#include "platform/filter/sample.hpp"
#include "platform/filter/source.hpp"
#include "platform/filter/stock.hpp"
#include "platform/filter/trans_in_place.hpp"
#include "platform/filter/transform.hpp"
#include "platform/filter/unknown.hpp"

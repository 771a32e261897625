// The book field table lives in fields/book_fields.h (below the settings);
// this header stays so that code written against the old place builds.
#pragma once

#include "fields/book_fields.h"

#pragma once
// The first hit of a full-text search selected in the page the HTML view shows: the first
// place in the body (the header line is not searched) where a term of the query
// occurs, as the search folds text.

#include "archive/search_query.h"

class HtmlView;

// Waits for a page still loading, selects the hit and scrolls it into sight; false when the
// page holds none.
bool SelectFirstHit(HtmlView& view, const SearchQuery& query);

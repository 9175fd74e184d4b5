#pragma once
// The text of `murmel-relay --list`: queued items, failed items with their
// reasons, and the last deliveries.

#include <cstddef>
#include <string>

#include "core/spool.h"

namespace murmel::relay {

std::string SpoolListing(const Spool& spool, std::size_t lastDeliveries);

}  // namespace murmel::relay

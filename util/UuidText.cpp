// Random UUID text (declared in StringUtil.h).
#include <boost/uuid/random_generator.hpp>
#include <boost/uuid/uuid_io.hpp>

#include "util/StringUtil.h"

std::string NewUuidText() {
    try {
        // One seeded generator per thread: the generator is not thread-safe
        // and seeding it on every call would cost a read of the entropy source.
        thread_local boost::uuids::random_generator_mt19937 generator;
        return boost::uuids::to_string(generator());
    } catch (...) {
        // The entropy source failed; no exception leaves the library.
        return {};
    }
}

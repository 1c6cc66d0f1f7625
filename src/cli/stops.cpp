#include "cli/stops.h"

#include <iostream>
#include <new>
#include <stdexcept>
#include <system_error>

#include "base/error.h"

int runReportingStops(const std::function<int()>& command) {
  try {
    return command();
  } catch (const RunError& e) {
    std::cerr << e.text();
    std::cerr.flush();
    return e.exitStatus();
  } catch (const std::bad_alloc&) {
    std::cerr << "Error: out of memory" << std::endl;
    return 1;
  } catch (const std::length_error&) {
    // A container asked for more than it can ever hold: memory, too.
    std::cerr << "Error: out of memory" << std::endl;
    return 1;
  } catch (const std::system_error& e) {
    // The system refused a resource (a thread, a lock), as under memory pressure.
    std::cerr << "Error: " << e.what() << std::endl;
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "Error: " << e.what() << std::endl;
    return 1;
  }
}

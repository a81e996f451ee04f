// Watches the sizes that operator new is asked for, so that tests can check
// that damaged input never makes the code allocate more than the input can
// supply. The test program replaces the global operator new and delete
// (plain and nothrow forms) with malloc and free plus this bookkeeping.
#pragma once

#include <cstddef>

namespace TestSupport {

// While one lives, the largest single request is recorded.
class AllocationProbe {
public:
    AllocationProbe();
    ~AllocationProbe();
    AllocationProbe(const AllocationProbe&) = delete;
    AllocationProbe& operator=(const AllocationProbe&) = delete;
    std::size_t Largest() const;
};

}  // namespace TestSupport

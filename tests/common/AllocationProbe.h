// Watches what operator new is asked for, so that tests can check that damaged
// or hostile input never makes the code allocate more than the input can
// justify. The test program replaces the global operator new and delete (plain,
// nothrow and aligned forms) with malloc and free plus this bookkeeping.
#pragma once

#include <cstddef>

namespace TestSupport {

// While one lives, the largest single request and the peak of the bytes held
// at once (above what was held when it began) are recorded.
class AllocationProbe {
public:
    AllocationProbe();
    ~AllocationProbe();
    AllocationProbe(const AllocationProbe&) = delete;
    AllocationProbe& operator=(const AllocationProbe&) = delete;
    std::size_t Largest() const;
    std::size_t PeakHeld() const;
    // From now on, while it lives, a request for more than `bytes` fails as
    // when memory runs out.
    void RefuseAbove(std::size_t bytes);
};

}  // namespace TestSupport

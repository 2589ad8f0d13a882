#include "support/realistic_adapters.h"

#include "emulator/contents/adapter_factory.h"

#include <gtest/gtest.h>

void add_realistic_adapters(emulator_sandbox& sandbox, int count) {
    for (int index = 0; index < count; ++index) {
        const std::string problem = create_realistic_adapter(sandbox.root(), index);
        ASSERT_TRUE(problem.empty()) << problem;
    }
}

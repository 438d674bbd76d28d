#pragma once
// The work that a threader or a thread pool runs on its own thread.
#include "KXFramework/ObjectBase/RefCountedObject.h"
#include "KXFramework/ObjectBase/Result.h"

namespace KX {

class LThreadWorker : public virtual LRefCountedObject {
public:
    [[nodiscard]] virtual KXRESULT Run(const RCPtr<LRefCountedObject>& parameters) = 0;
};

// Runs worker->Run(parameters) and keeps an exception from ending the thread that called it:
// it is written to the debug log and the thread carries on.
[[nodiscard]] KXRESULT RunWorkerSafely(LThreadWorker& worker, const RCPtr<LRefCountedObject>& parameters);

} // namespace KX

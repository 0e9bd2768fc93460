// The interface every module in a ModuleHost slot implements, in slot order.
#pragma once

namespace kest::tolvane {

class ModuleHost;
struct ProcessBlock;

class ITolvaneModule {
public:
    virtual void setSampleRate(float rate) = 0;
    virtual void hostHook() {}
    virtual void setBlockSize(int size) = 0;
    virtual void reset() = 0;
    virtual void systemReset() = 0;
    virtual void attach(ModuleHost& host) = 0;
    virtual void detach() = 0;
    virtual void suspend(bool suspended) = 0;
    virtual void pauseHook() = 0;
    virtual void resumeHook() = 0;
    virtual void deactivate() = 0;
    virtual void activate() = 0;
    virtual void process(ProcessBlock& block) = 0;
    virtual ~ITolvaneModule() = default;
};

} // namespace kest::tolvane

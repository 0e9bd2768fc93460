// SPDX-License-Identifier: GPL-3.0-or-later
// The built plug-in as a host holds it: the bundle's module, loaded once per
// test program from TOLVANE_VST_BUNDLE_PATH, and a processor and controller
// from its factory, initialised and connected, given a state if there is one,
// then set up, active and processing. Failures are reported as test failures;
// ready() tells whether the session can be used.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>

#include "VstTestSupport.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivstmessage.h"
#include "public.sdk/source/common/memorystream.h"
#include "public.sdk/source/vst/hosting/module.h"

namespace tolvane_vst_test {

inline VST3::Hosting::Module::Ptr& bundleModule()
{
    static VST3::Hosting::Module::Ptr loaded = [] {
        std::string error;
        auto m = VST3::Hosting::Module::create(TOLVANE_VST_BUNDLE_PATH, error);
        EXPECT_TRUE(m) << error;
        return m;
    }();
    return loaded;
}

class BundleSession {
public:
    BundleSession(int blockSize, double sampleRate, std::span<const std::uint8_t> state = {})
    {
        using namespace Steinberg;
        using namespace Steinberg::Vst;
        if (!bundleModule())
            return;
        const auto& factory = bundleModule()->getFactory();
        for (const auto& info : factory.classInfos()) {
            if (info.category() == kVstAudioEffectClass) {
                component = factory.createInstance<IComponent>(info.ID());
                processorClass = info.ID();
            } else if (info.category() == kVstComponentControllerClass) {
                controller = factory.createInstance<IEditController>(info.ID());
            }
        }
        processor = FUnknownPtr<IAudioProcessor>(component);
        processorPoint_ = FUnknownPtr<IConnectionPoint>(component);
        controllerPoint_ = FUnknownPtr<IConnectionPoint>(controller);
        if (!processor || !controller || !processorPoint_ || !controllerPoint_) {
            ADD_FAILURE() << "the bundle's factory lacks the processor or the controller";
            return;
        }
        EXPECT_EQ(component->initialize(&host), kResultOk);
        EXPECT_EQ(controller->initialize(&host), kResultOk);
        processorPoint_->connect(controllerPoint_);
        controllerPoint_->connect(processorPoint_);
        if (!state.empty()) {
            MemoryStream stream;
            stream.write(const_cast<std::uint8_t*>(state.data()), static_cast<int32>(state.size()), nullptr);
            stream.seek(0, IBStream::kIBSeekSet, nullptr);
            EXPECT_EQ(component->setState(&stream), kResultOk);
        }
        ProcessSetup setup{kRealtime, kSample32, blockSize, sampleRate};
        EXPECT_EQ(processor->setupProcessing(setup), kResultOk);
        EXPECT_EQ(component->setActive(true), kResultOk);
        processor->setProcessing(true);
        ready_ = true;
    }
    ~BundleSession()
    {
        if (!ready_)
            return;
        processor->setProcessing(false);
        component->setActive(false);
        processorPoint_->disconnect(controllerPoint_);
        controllerPoint_->disconnect(processorPoint_);
        controller->terminate();
        component->terminate();
    }
    BundleSession(const BundleSession&) = delete;
    BundleSession& operator=(const BundleSession&) = delete;

    bool ready() const { return ready_; }

    HostApplication host;
    Steinberg::IPtr<Steinberg::Vst::IComponent> component;
    Steinberg::IPtr<Steinberg::Vst::IEditController> controller;
    Steinberg::FUnknownPtr<Steinberg::Vst::IAudioProcessor> processor;
    VST3::UID processorClass;

private:
    Steinberg::FUnknownPtr<Steinberg::Vst::IConnectionPoint> processorPoint_, controllerPoint_;
    bool ready_ = false;
};

} // namespace tolvane_vst_test

// SPDX-License-Identifier: GPL-3.0-or-later
// The built module as a host sees it: loaded with dlopen, its factory, and a
// processor and controller made by that factory and connected as a host
// connects them, talking the editor's message protocol end to end.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstring>
#include <string>

#include "EngineContext.h"
#include "VstTestSupport.h"
#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "public.sdk/source/common/memorystream.h"

using namespace tolvane_vst_test;

namespace {

using EntryFunction = bool (*)(void*);
using ExitFunction = bool (*)();
using FactoryFunction = IPluginFactory* (*)();

const FUID kProcessorId(0xE5D81B64, 0xEAB54625, 0x91714E72, 0x8E9A4147);
const FUID kControllerId(0xAF3F86A0, 0xC45F43FC, 0x8F1BE097, 0x54FA241D);

class ModuleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        library = dlopen(TOLVANE_VST_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << dlerror();
        entry = reinterpret_cast<EntryFunction>(dlsym(library, "ModuleEntry"));
        exit = reinterpret_cast<ExitFunction>(dlsym(library, "ModuleExit"));
        getFactory = reinterpret_cast<FactoryFunction>(dlsym(library, "GetPluginFactory"));
        ASSERT_TRUE(entry && exit && getFactory);
        ASSERT_TRUE(entry(library));
        factory = getFactory();
        ASSERT_NE(factory, nullptr);
    }
    void TearDown() override
    {
        if (factory)
            factory->release();
        if (exit)
            exit();
        if (library)
            dlclose(library);
    }

    void* library = nullptr;
    EntryFunction entry = nullptr;
    ExitFunction exit = nullptr;
    FactoryFunction getFactory = nullptr;
    IPluginFactory* factory = nullptr;
};

TEST_F(ModuleTest, EntryAndExitAreCounted)
{
    EXPECT_TRUE(entry(library)); // second entry: nothing new happens
    EXPECT_TRUE(exit());         // back to one: still initialised
    IPluginFactory* again = getFactory();
    EXPECT_EQ(again, factory);
    again->release();
    EXPECT_TRUE(exit());         // back to zero: de-initialised
    EXPECT_FALSE(exit());        // below zero is refused
    EXPECT_TRUE(entry(library)); // restore the count for TearDown
    EXPECT_TRUE(entry(library));
}

TEST_F(ModuleTest, FactoryDescribesTheTwoClasses)
{
    PFactoryInfo info{};
    ASSERT_EQ(factory->getFactoryInfo(&info), kResultOk);
    EXPECT_STREQ(info.vendor, "Kestrawerk");
    EXPECT_STRNE(info.url, "");
    EXPECT_STREQ(info.email, "");
    EXPECT_EQ(info.flags, PFactoryInfo::kUnicode);

    ASSERT_EQ(factory->countClasses(), 2);
    FUnknownPtr<IPluginFactory2> factory2(factory);
    ASSERT_TRUE(factory2);
    PClassInfo2 processor{};
    PClassInfo2 controller{};
    ASSERT_EQ(factory2->getClassInfo2(0, &processor), kResultOk);
    ASSERT_EQ(factory2->getClassInfo2(1, &controller), kResultOk);

    EXPECT_EQ(FUID::fromTUID(processor.cid), kProcessorId);
    EXPECT_EQ(processor.cardinality, PClassInfo::kManyInstances);
    EXPECT_STREQ(processor.category, "Audio Module Class");
    EXPECT_STREQ(processor.name, "Tolvane Synth WT");
    EXPECT_EQ(processor.classFlags, static_cast<uint32>(kDistributable));
    EXPECT_STREQ(processor.subCategories, "Instrument|Synth");
    EXPECT_STREQ(processor.vendor, "");
    EXPECT_STREQ(processor.version, "23.1.6");
    EXPECT_STREQ(processor.sdkVersion, "VST 3.7.3");

    EXPECT_EQ(FUID::fromTUID(controller.cid), kControllerId);
    EXPECT_EQ(controller.cardinality, PClassInfo::kManyInstances);
    EXPECT_STREQ(controller.category, "Component Controller Class");
    EXPECT_STREQ(controller.name, "Tolvane Synth WT Controller");
    EXPECT_EQ(controller.classFlags, 0u);
    EXPECT_STREQ(controller.subCategories, "");
    EXPECT_STREQ(controller.version, "23.1.6");
    EXPECT_STREQ(controller.sdkVersion, "VST 3.7.3");

    // The identity hosts store in projects, in the SDK's text form.
    char text[64] = {};
    kProcessorId.toString(text);
    EXPECT_STREQ(text, "E5D81B64EAB5462591714E728E9A4147");
    kControllerId.toString(text);
    EXPECT_STREQ(text, "AF3F86A0C45F43FC8F1BE09754FA241D");
}

TEST_F(ModuleTest, ProcessorAndControllerTalkThroughTheHost)
{
    HostApplication host;
    IComponent* component = nullptr;
    IEditController* controller = nullptr;
    ASSERT_EQ(factory->createInstance(kProcessorId, IComponent::iid, reinterpret_cast<void**>(&component)), kResultOk);
    ASSERT_EQ(factory->createInstance(kControllerId, IEditController::iid, reinterpret_cast<void**>(&controller)),
              kResultOk);
    ASSERT_EQ(component->initialize(&host), kResultOk);
    ASSERT_EQ(controller->initialize(&host), kResultOk);

    TUID controllerClass;
    ASSERT_EQ(component->getControllerClassId(controllerClass), kResultOk);
    EXPECT_EQ(FUID::fromTUID(controllerClass), kControllerId);

    FUnknownPtr<IConnectionPoint> processorPoint(component);
    FUnknownPtr<IConnectionPoint> controllerPoint(controller);
    ASSERT_TRUE(processorPoint && controllerPoint);
    RecordingConnection toController(controllerPoint);
    RecordingConnection toProcessor(processorPoint);
    ASSERT_EQ(processorPoint->connect(&toController), kResultOk);
    ASSERT_EQ(controllerPoint->connect(&toProcessor), kResultOk);

    // The editor's "GUIEditor:openGUI" is answered with the EngineContext's address.
    IPtr<IMessage> open = owned(makeMessage(host, "GUIEditor:openGUI"));
    EXPECT_EQ(toProcessor.notify(open), kResultOk);
    auto answers = toController.withId("Processor:openGUI");
    ASSERT_EQ(answers.size(), 1u);
    ASSERT_TRUE(answers[0].hasContext);
    ASSERT_NE(answers[0].context, 0u);
    auto* context = reinterpret_cast<kest::tolvane::plugin::EngineContext*>(answers[0].context);
    EXPECT_EQ(context->generatorPeriod, 32);
    EXPECT_NE(context->moduleHost, nullptr);
    EXPECT_NE(context->currentPartState, nullptr);

    // A value change comes back as one update with the stored value.
    IPtr<IMessage> change = owned(makeMessage(host, "GUIEditor:tvValueChange"));
    change->getAttributes()->setInt("tag", 0x0001);
    change->getAttributes()->setFloat("val", 0.5);
    EXPECT_EQ(toProcessor.notify(change), kResultOk);
    auto updates = toController.withId("GUIEditor:tvValueUpdate");
    ASSERT_EQ(updates.size(), 1u);
    EXPECT_EQ(updates[0].tag, 0x0001);
    EXPECT_FLOAT_EQ(static_cast<float>(updates[0].value), 0.5f);

    // State save announces itself with the same address.
    MemoryStream stream;
    EXPECT_EQ(component->getState(&stream), kResultOk);
    ASSERT_EQ(toController.withId("Processor:getState").size(), 1u);
    EXPECT_EQ(toController.withId("Processor:getState")[0].context, answers[0].context);

    processorPoint->disconnect(&toController);
    controllerPoint->disconnect(&toProcessor);
    controller->terminate();
    component->terminate();
    controller->release();
    component->release();
}

} // namespace

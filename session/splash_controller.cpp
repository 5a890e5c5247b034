#include "session/splash_controller.h"

#include <jni.h>

#include "jvm/jvm_session.h"

namespace {

const char* const kControllerClass = "com/qarvo/runtime/QarvoController";

struct Controller {
    JNIEnv* env = nullptr;
    jclass type = nullptr;
    jmethodID getAction = nullptr;
    jmethodID getText = nullptr;
};

// Only the splash thread polls; its state is its own.
Controller& controller() {
    static Controller c;
    return c;
}

// An exception of a call is cleared so that the thread can go on calling.
bool threw(JNIEnv* env) {
    if (!env->ExceptionCheck()) return false;
    env->ExceptionClear();
    return true;
}

void resolve(Controller& c) {
    c.env = attachCurrentThreadToJvm();
    if (c.env == nullptr) return;
    c.type = c.env->FindClass(kControllerClass);
    if (threw(c.env) || c.type == nullptr) {
        c.type = nullptr;
        return;
    }
    c.getAction = c.env->GetStaticMethodID(c.type, "getAction", "()I");
    if (threw(c.env)) c.getAction = nullptr;
    c.getText = c.env->GetStaticMethodID(c.type, "getText", "()Ljava/lang/String;");
    if (threw(c.env)) c.getText = nullptr;
}

void fetchText(Controller& c, SplashPoll& poll) {
    jstring text = static_cast<jstring>(c.env->CallStaticObjectMethod(c.type, c.getText));
    if (threw(c.env) || text == nullptr) return;
    const jsize length = c.env->GetStringLength(text);
    if (const jchar* chars = c.env->GetStringChars(text, nullptr)) {
        poll.text.assign(reinterpret_cast<const char16_t*>(chars), static_cast<size_t>(length));
        poll.hasText = true;
        c.env->ReleaseStringChars(text, chars);
    }
    c.env->DeleteLocalRef(text);
}

}  // namespace

SplashPoll pollSplashController() {
    Controller& c = controller();
    SplashPoll poll;
    if (c.env == nullptr) resolve(c);
    if (c.type == nullptr || c.getAction == nullptr || c.getText == nullptr) return poll;
    const jint action = c.env->CallStaticIntMethod(c.type, c.getAction);
    if (threw(c.env)) return poll;
    if (action == 1) {
        poll.action = SplashAction::Hide;
    } else if (action == 2) {
        poll.action = SplashAction::Text;
        fetchText(c, poll);
    }
    return poll;
}

void releaseSplashController() { detachCurrentThreadFromJvm(); }

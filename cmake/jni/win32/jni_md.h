/* Machine-dependent JNI types for Windows (x86 and x64), for the JDK's jni.h
   when building with MinGW-w64: JNI functions use the stdcall convention on
   x86, jint is 32 bits (long) and jlong 64 bits on both. */
#ifndef QARVO_JNI_MD_H
#define QARVO_JNI_MD_H

#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
#define JNICALL __stdcall

typedef long jint;
typedef __int64 jlong;
typedef signed char jbyte;

#endif

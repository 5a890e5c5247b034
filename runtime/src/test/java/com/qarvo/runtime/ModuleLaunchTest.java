package com.qarvo.runtime;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNull;
import static org.junit.jupiter.api.Assertions.assertThrows;
import static org.junit.jupiter.api.Assertions.assertTrue;

import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.CsvSource;

class ModuleLaunchTest {
    @AfterEach
    void clearProperty() {
        System.clearProperty(ModuleLaunch.MAIN_MODULE_PROPERTY);
    }

    @Test
    void theMainModuleComesFromTheProperty() {
        assertNull(ModuleLaunch.mainModule());
        System.setProperty(ModuleLaunch.MAIN_MODULE_PROPERTY, "");
        assertNull(ModuleLaunch.mainModule());
        System.setProperty(ModuleLaunch.MAIN_MODULE_PROPERTY, "app");
        assertEquals("app", ModuleLaunch.mainModule());
    }

    @Test
    void aClassOfAnExportedPackageIsFoundInItsModule() throws Exception {
        assertEquals(String.class, ModuleLaunch.findMainClass("java.base", "java.lang.String"));
    }

    // java.base does not export jdk.internal.misc; without the launcher's export of
    // jdk.internal.module (these tests run without it) the runtime says what is missing.
    @ParameterizedTest
    @CsvSource(delimiter = ';', value = {
        "no.such.module; ;                ClassNotFoundException; the main module no.such.module is not in the boot layer",
        "java.base;      ;                ClassNotFoundException; the main module java.base names no main class; give it with the module, as java.base/com.example.Main",
        "java.base;      com.example.App; ClassNotFoundException; the main class com.example.App was not found in the module java.base",
        "java.base;      jdk.internal.misc.VM; IllegalAccessException; the package jdk.internal.misc of the main class",
    })
    void failuresSayWhatIsWrong(String module, String className, String type, String message) {
        Exception e = assertThrows(Exception.class, () -> ModuleLaunch.findMainClass(module, className));
        assertEquals(type, e.getClass().getSimpleName());
        assertTrue(e.getMessage().startsWith(message), e.getMessage());
    }

    @Test
    void aModularLaunchMayLeaveTheClassToTheDescriptor() {
        String[] args = {"false", "", "", "", "false"};
        assertThrows(IllegalArgumentException.class, () -> LaunchArguments.parse(args));
        System.setProperty(ModuleLaunch.MAIN_MODULE_PROPERTY, "app");
        assertEquals("", LaunchArguments.parse(args).mainClass);
    }
}

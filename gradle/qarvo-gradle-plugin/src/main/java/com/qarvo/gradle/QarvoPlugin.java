package com.qarvo.gradle;

import org.gradle.api.Plugin;
import org.gradle.api.Project;
import org.gradle.api.artifacts.Configuration;
import org.gradle.api.plugins.BasePlugin;
import org.gradle.api.plugins.JavaPlugin;

/**
 * The plugin {@code com.qarvo.launcher}: the extension {@code qarvo} and the task
 * {@code qarvoExe}, which builds the application's Windows launcher executable from the
 * jar task's archive and the runtime class path, and which {@code assemble} runs.
 */
public class QarvoPlugin implements Plugin<Project> {
    @Override
    public void apply(Project project) {
        project.getPluginManager().apply(JavaPlugin.class);
        QarvoExtension extension = project.getExtensions().create("qarvo", QarvoExtension.class);
        Object skip = project.findProperty("qarvo.skip");
        if (skip != null) {
            extension.setSkip(!"false".equals(skip.toString()));
        }
        Configuration runtimeClasspath =
                project.getConfigurations().getByName(JavaPlugin.RUNTIME_CLASSPATH_CONFIGURATION_NAME);
        QarvoExe task = project.getTasks().create("qarvoExe", QarvoExe.class, exe -> {
            exe.setGroup(BasePlugin.BUILD_GROUP);
            exe.setDescription("Builds the application's Windows launcher executable with qarvo-build.");
            exe.wire(extension, project.getTasks().getByName(JavaPlugin.JAR_TASK_NAME), runtimeClasspath);
            exe.onlyIf(t -> !extension.isSkip());
        });
        project.getTasks().getByName(BasePlugin.ASSEMBLE_TASK_NAME).dependsOn(task);
    }
}

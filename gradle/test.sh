#!/usr/bin/env bash
# The Gradle plugin through Gradle itself, offline, with a Gradle user home
# (WORK/gradle-home) and a local Maven repository (WORK/m2) of the tests' own:
#   test.sh publish WORK DIST MAVEN-REPOSITORY   the plugin and its marker into WORK/m2,
#                                  with qarvo-runtime from the Maven tests' repository
#   test.sh hello WORK DIST        examples/hello-gradle gives build/qarvo/hello.exe, which
#                                  runs under Wine (WINEPREFIX, its server up) against the
#                                  fake runtime bridged to the host JDK; built again it is
#                                  up to date, and rebuilt after a setting or a source changed
#   test.sh bad-setting WORK DIST  a bad setting fails the build with the builder's message
#   test.sh stop WORK              stops the tests' Gradle daemon
# Sources are copied below WORK first, so that no build/ or .gradle/ lands in the tree.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
case=$1 work=$2 dist=${3:-}

fail() { echo "FAIL: $*"; exit 1; }
gradle_offline() {  # gradle_offline PROJECT-DIR ARGS...
  gradle --offline --console=plain -g "$work/gradle-home" -Dmaven.repo.local="$work/m2" -p "$1" "${@:2}"
}
fresh_copy() {  # fresh_copy DIR PATH...: copies the tree's PATHs below WORK/DIR
  rm -rf "${work:?}/$1"
  mkdir -p "$work/$1"
  (cd "$root" && cp -r --parents "${@:2}" "$work/$1/")
}
timed_build() {  # timed_build PROJECT-DIR: gradle build; its output in $output, its seconds in $seconds
  local start
  start=$(date +%s.%N)
  output=$(gradle_offline "$1" build 2>&1)
  status=$?
  seconds=$(echo "$(date +%s.%N) - $start" | bc)
  echo "$output"
  printf 'gradle build: exit code %s, %.1f s\n' "$status" "$seconds"
}
# The state of the task in a build's output: "", UP-TO-DATE, SKIPPED, ... (Gradle 4 prints
# ":qarvoExe UP-TO-DATE", later versions "> Task :qarvoExe UP-TO-DATE").
task_state() {
  grep -E '^(> Task )?:qarvoExe( |$)' <<<"$output" | sed -E 's/^(> Task )?:qarvoExe ?//'
}

case $case in
publish)
  repository=${4:?the Maven tests\' repository}
  rm -rf "${work:?}/m2"
  mkdir -p "$work/m2/com/qarvo" "$work/gradle-home"
  # The example's qarvo-runtime and its parent POM, as mvn install left them.
  for artifact in qarvo-runtime qarvo-parent; do
    cp -r "$repository/com/qarvo/$artifact" "$work/m2/com/qarvo/" || fail "no $artifact in $repository"
  done
  # A daemon that ctest's stop test misses ends by itself.
  echo 'org.gradle.daemon.idletimeout=900000' > "$work/gradle-home/gradle.properties"
  fresh_copy src gradle/qarvo-gradle-plugin/build.gradle gradle/qarvo-gradle-plugin/settings.gradle \
             gradle/qarvo-gradle-plugin/src maven/qarvo-plugin-support/src
  gradle_offline "$work/src/gradle/qarvo-gradle-plugin" build publishToMavenLocal -Pqarvo.dist="$dist" ||
    fail "gradle publishToMavenLocal"
  published=$work/m2/com/qarvo
  plugin=$published/qarvo-gradle-plugin/1.0.0/qarvo-gradle-plugin-1.0.0.jar
  marker=$work/m2/com/qarvo/launcher/com.qarvo.launcher.gradle.plugin/1.0.0
  [ -f "$plugin" ] || fail "not published: $plugin"
  [ -f "$marker/com.qarvo.launcher.gradle.plugin-1.0.0.pom" ] || fail "no plugin marker in $marker"
  entries=$(jar tf "$plugin")
  for entry in qarvo-dist/bin/linux-x64/qarvo-build qarvo-dist/stubs/launcher-x64.exe \
               qarvo-dist/lib/qarvo-runtime.jar com/qarvo/plugin/ProjectFileText.class \
               META-INF/gradle-plugins/com.qarvo.launcher.properties; do
    grep -qx "$entry" <<<"$entries" || fail "the plugin carries no $entry"
  done
  ;;
hello)
  fresh_copy hello examples/hello-gradle
  project=$work/hello/examples/hello-gradle
  out=$project/build/qarvo
  timed_build "$project"
  first=$seconds
  [ $status -eq 0 ] || fail "gradle build"
  [ "$(task_state)" = "" ] || fail "qarvoExe did not run: $(task_state)"
  [ -f "$out/hello.exe" ] || fail "no build/qarvo/hello.exe"
  for jar in hello-1.0.jar qarvo-runtime-1.0.0-SNAPSHOT.jar; do
    [ -f "$out/lib/$jar" ] || fail "no build/qarvo/lib/$jar"
  done
  inspected=$("$dist/bin/qarvo-build" inspect "$out/hello.exe") || fail "inspect"
  echo "$inspected"
  grep -qx 'main-class = "hello.Main"' <<<"$inspected" || fail "main class"
  grep -q 'class-path = .*"lib\\\\hello-1.0.jar".*"lib\\\\qarvo-runtime-1.0.0-SNAPSHOT.jar"' <<<"$inspected" ||
    fail "class path"

  # The fake runtime, its jvm.dll bridged to the host JDK, runs the launch on a real JVM.
  jre=$work/hello/jre
  fake=$dist/testing/fakejre/x64
  mkdir -p "$jre/bin/server"
  cp "$fake/java.exe" "$fake/fakejre-base.dll" "$jre/bin/"
  cp "$fake/jvm.dll" "$jre/bin/server/"
  printf 'main=bridge\nbridge=%s\njdk=%s\n' "$dist/testing/fakejre/bridge" /usr/lib/jvm/default-java \
    > "$jre/bin/server/fakejre.ini"
  ran=$(QARVO_JAVA_HOME="Z:${jre//\//\\}" LC_ALL=C.UTF-8 WINEDEBUG=-all \
        timeout 180 "$root/scripts/wine-run.sh" "$out/hello.exe" 'grüße' '日本 語' </dev/null 2>&1)
  code=$?
  ran=${ran//$'\r'/}
  echo "$ran"
  [ $code -eq 0 ] || fail "hello.exe exited with code $code"
  expected=$'argument 0: --from-launcher\nargument 1: two words\nargument 2: grüße\nargument 3: 日本 語'
  [ "$(grep '^argument ' <<<"$ran")" = "$expected" ] || fail "the program's arguments"
  grep -q '^java.class.path = .*hello-1.0.jar.*qarvo-runtime-1.0.0-SNAPSHOT.jar$' <<<"$ran" ||
    fail "the program's class path"

  timed_build "$project"
  [ $status -eq 0 ] || fail "second gradle build"
  [ "$(task_state)" = UP-TO-DATE ] || fail "the second build ran qarvoExe: '$(task_state)'"
  printf 'first build %.1f s, second build %.1f s\n' "$first" "$seconds"

  sed -i "s/'-Xmx64m'/'-Xmx96m'/" "$project/build.gradle"
  timed_build "$project"
  [ $status -eq 0 ] || fail "gradle build after a changed setting"
  [ "$(task_state)" = "" ] || fail "a changed setting did not run qarvoExe: '$(task_state)'"
  "$dist/bin/qarvo-build" inspect "$out/hello.exe" | grep -q -- '-Xmx96m' || fail "the new setting is not built in"

  sed -i 's/"Hello from Java "/"Hello again from Java "/' "$project/src/main/java/hello/Main.java"
  timed_build "$project"
  [ $status -eq 0 ] || fail "gradle build after a changed source"
  [ "$(task_state)" = "" ] || fail "a changed jar did not run qarvoExe: '$(task_state)'"
  unzip -p "$out/lib/hello-1.0.jar" hello/Main.class | grep -qa 'Hello again from Java' ||
    fail "the copied jar is the old one"
  ;;
bad-setting)
  fresh_copy bad examples/hello-gradle
  project=$work/bad/examples/hello-gradle
  sed -i "s/'min-version': '1.8'/'min-version': true/" "$project/build.gradle"
  grep -q "'min-version': true" "$project/build.gradle" || fail "the example has no min-version to spoil"
  timed_build "$project"
  [ $status -ne 0 ] || fail "the build succeeded"
  [ -e "$project/build/qarvo/hello.exe" ] && fail "an executable was left"
  grep -qE '^> qarvo-build failed \(exit code [0-9]+\): .*hello\.toml:[0-9]+: .*java\.min-version' <<<"$output" ||
    fail "the failure does not name the builder's message"
  grep -qE "Execution failed for task ':qarvoExe'" <<<"$output" || fail "qarvoExe did not fail"
  ;;
stop)
  gradle --stop -g "$work/gradle-home" || fail "gradle --stop"
  ;;
*)
  fail "unknown case $case"
  ;;
esac
echo "PASS: gradle $case"
